#pragma once
// The program's icon in the desktop's notification area and its menu.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class TrayCommand : std::uint8_t {
  OpenCurrent = 1,     // the default item, and a double click (or middle click) on the icon
  OpenFile = 2,
  OpenDataFolder = 3,
  Exit = 4,
};

struct TrayMenuItem {
  TrayCommand command;
  std::string label;  // UTF-8
};

struct TrayMenu {
  std::string tip;                  // the icon's tool tip
  std::vector<TrayMenuItem> items;  // in order; a separator is drawn before the exit item
};

// The icon once shown. The user's choices queue up and are taken on the main thread.
struct Tray {
  std::intptr_t handle = -1;  // waitable: ready when a command is queued
  Tray() = default;
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;
  ~Tray();
};

// Shows the icon with the menu. False where the desktop offers no notification area (or the
// program cannot reach it); the program then runs without an icon.
bool ShowTrayIcon(const TrayMenu& menu, Tray& tray);

// The commands chosen since the last call, oldest first.
std::vector<TrayCommand> TakeTrayCommands(Tray& tray);

// Asks the main loop to end, as the end of the user's session or an exit request would.
void RequestProgramEnd();

}  // namespace platform
