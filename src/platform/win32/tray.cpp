// The notification-area icon on the hidden window; its menu runs in the window procedure and
// queues the chosen command for the main loop.
#include "platform/tray.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "platform/win32/hidden_window.h"
#include "platform/win32/wide.h"

namespace platform {

Tray::~Tray() {
  HiddenWindowState& state = HiddenWindow();
  if (handle != -1 && reinterpret_cast<HANDLE>(handle) == state.trayReady) {
    if (state.trayShown) Shell_NotifyIconW(NIM_DELETE, &state.icon);
    state.trayShown = false;
    state.trayReady = nullptr;
    CloseHandle(reinterpret_cast<HANDLE>(handle));
  }
}

bool ShowTrayIcon(const TrayMenu& menu, Tray& tray) {
  HiddenWindowState& state = HiddenWindow();
  const HWND window = EnsureHiddenWindow(L"Calderwin.Ferncard.Window");
  if (window == nullptr) return false;
  for (const TrayMenuItem& item : menu.items) {
    const auto index = static_cast<std::size_t>(item.command) - 1;
    if (index < 4) state.menuLabels[index] = ToWide(item.label);
  }
  NOTIFYICONDATAW& icon = state.icon;
  icon = NOTIFYICONDATAW{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kTrayCallbackMessage;
  icon.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
  const std::wstring tip = ToWide(menu.tip);
  wcsncpy(icon.szTip, tip.c_str(), sizeof icon.szTip / sizeof icon.szTip[0] - 1);
  if (state.trayReady == nullptr) state.trayReady = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (state.trayReady == nullptr) return false;
  // Shown or not (an explorer that is not running yet), "TaskbarCreated" adds it again later.
  Shell_NotifyIconW(NIM_ADD, &icon);
  state.trayShown = true;
  tray.handle = reinterpret_cast<std::intptr_t>(state.trayReady);
  return true;
}

std::vector<TrayCommand> TakeTrayCommands(Tray&) {
  HiddenWindowState& state = HiddenWindow();
  std::vector<TrayCommand> commands;
  for (const std::uint8_t command : state.trayCommands) commands.push_back(static_cast<TrayCommand>(command));
  state.trayCommands.clear();
  return commands;
}

void RequestProgramEnd() { EndMainLoop(); }

}  // namespace platform
