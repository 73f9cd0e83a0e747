#pragma once
// What the running instance's main loop serves besides the request to end: the hand-off of later
// starts and the notification-area icon.
#include <string>
#include <vector>

#include "platform/instance.h"
#include "platform/main_loop.h"
#include "platform/tray.h"

struct AppState;

struct MainThreadServices {
  platform::HandOffReceiver receiver;
  platform::Tray tray;
};

// Opens the hand-off receiver of the instance key and shows the tray icon where the desktop has a
// notification area; returns the main loop's sources for those that are up. Either may be missing:
// the program runs on without it.
std::vector<platform::LoopSource> StartMainThreadServices(AppState& app, const std::string& instanceKey,
                                                          MainThreadServices& services);
