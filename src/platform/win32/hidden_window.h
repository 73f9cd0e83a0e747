#pragma once
// The program's one hidden top-level window: it receives the hand-off of later starts
// (WM_COPYDATA), carries the tray icon, and ends the main loop when it is destroyed.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <deque>
#include <string>

namespace platform {

constexpr UINT kTrayCallbackMessage = WM_APP + 1;

struct HiddenWindowState {
  HWND window = nullptr;
  bool closingQuietly = false;  // destroyed by its owner: the main loop is not ended
  // Hand-off messages taken by the window procedure, waiting for the main loop.
  HANDLE handOffReady = nullptr;
  std::deque<std::pair<std::uint64_t, std::string>> handOffs;  // tag, payload (payload too large: tag only)
  std::deque<bool> handOffTooLarge;
  // Tray: the icon's data, whether it is shown, and the commands chosen.
  bool trayShown = false;
  NOTIFYICONDATAW icon{};
  HANDLE trayReady = nullptr;
  std::deque<std::uint8_t> trayCommands;
  std::wstring menuLabels[4];
};

// The state of this process's hidden window (main thread only).
HiddenWindowState& HiddenWindow();

// Registers the class (className) and creates the window once; later calls return the same window.
HWND EnsureHiddenWindow(const std::wstring& className);

// Ends the main loop: closes the hidden window, or posts WM_QUIT when there is none.
void EndMainLoop();

}  // namespace platform
