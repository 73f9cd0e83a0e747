#pragma once
// The notification-area icon's menu and what its items do on the main thread.
#include "platform/tray.h"

struct AppState;

inline constexpr char kTrayOpenLabel[] = "開く";
inline constexpr char kTrayOpenFileLabel[] = "ファイルを開く...";
inline constexpr char kTrayOpenDataFolderLabel[] = "データフォルダーを開く";
inline constexpr char kTrayExitLabel[] = "終了";

// 開く, ファイルを開く..., データフォルダーを開く, 終了 (after a separator); tip "Ferncard".
platform::TrayMenu FerncardTrayMenu();

// Carries out one chosen item. Exit asks the main loop to end.
void RunTrayCommand(AppState& app, platform::TrayCommand command);
