#pragma once
// The notification-area icon's menu and what its items do on the main thread.
#include "platform/tray.h"
#include "util/messages.h"

struct AppState;

// 開く, ファイルを開く..., データフォルダーを開く, 終了 (after a separator); tip "Ferncard".
platform::TrayMenu FerncardTrayMenu();

// Carries out one chosen item. Exit asks the main loop to end.
void RunTrayCommand(AppState& app, platform::TrayCommand command);
