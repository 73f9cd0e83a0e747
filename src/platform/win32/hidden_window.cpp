#include "platform/win32/hidden_window.h"

#include <shellapi.h>

#include "platform/instance.h"

namespace platform {
namespace {

UINT taskbarCreated = 0;
DWORD windowThread = 0;

void Signal(HANDLE event) {
  if (event != nullptr) SetEvent(event);
}

void ShowTrayMenu(HiddenWindowState& state) {
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (UINT command = 1; command <= 4; ++command) {
    if (command == 4) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, command, state.menuLabels[command - 1].c_str());
  }
  SetMenuDefaultItem(menu, 1, FALSE);
  POINT cursor{};
  GetCursorPos(&cursor);
  SetForegroundWindow(state.window);  // so the menu closes on a click elsewhere
  const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, state.window, nullptr);
  DestroyMenu(menu);
  if (chosen >= 1 && chosen <= 4) {
    state.trayCommands.push_back(static_cast<std::uint8_t>(chosen));
    Signal(state.trayReady);
  }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HiddenWindowState& state = HiddenWindow();
  if (taskbarCreated != 0 && message == taskbarCreated) {
    if (state.trayShown) Shell_NotifyIconW(NIM_ADD, &state.icon);
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      if (state.trayShown) Shell_NotifyIconW(NIM_DELETE, &state.icon);
      state.trayShown = false;
      state.window = nullptr;
      if (!state.closingQuietly) PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_QUERYENDSESSION:
      return 1;
    case WM_ENDSESSION:
      if (wParam != 0) DestroyWindow(window);
      return 0;
    case WM_COPYDATA: {
      // The sender waits until this returns; the request itself is served by the main loop
      // right after, so a slow opening never holds the sender.
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data == nullptr || data->dwData != static_cast<ULONG_PTR>(kHandOffTag)) return 0;
      const bool tooLarge = data->cbData > kLargestHandOffPayload;
      std::string payload;
      if (!tooLarge && data->cbData > 0 && data->lpData != nullptr) {
        payload.assign(static_cast<const char*>(data->lpData), data->cbData);
      }
      state.handOffs.emplace_back(data->dwData, std::move(payload));
      state.handOffTooLarge.push_back(tooLarge);
      Signal(state.handOffReady);
      return tooLarge ? 0 : 1;
    }
    case kTrayCallbackMessage:
      if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
        state.trayCommands.push_back(1);
        Signal(state.trayReady);
      } else if (LOWORD(lParam) == WM_RBUTTONUP) {
        ShowTrayMenu(state);
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

HiddenWindowState& HiddenWindow() {
  static HiddenWindowState state;
  return state;
}

HWND EnsureHiddenWindow(const std::wstring& className) {
  HiddenWindowState& state = HiddenWindow();
  if (state.window != nullptr) return state.window;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXW);  // without it the registration fails
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
  windowClass.lpszClassName = className.c_str();
  RegisterClassExW(&windowClass);  // a failure shows up as a failed creation
  taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  // An ordinary top-level window that is never shown (not message-only): later starts find it
  // by class name, and it receives the taskbar's broadcasts.
  state.window = CreateWindowExW(0, className.c_str(), L"Ferncard", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (state.window == nullptr) return nullptr;
  windowThread = GetCurrentThreadId();
  SetProcessShutdownParameters(0x280, 0);  // the default level of an application
  return state.window;
}

void EndMainLoop() {
  HiddenWindowState& state = HiddenWindow();
  if (state.window != nullptr) {
    PostMessageW(state.window, WM_CLOSE, 0, 0);
  } else {
    PostQuitMessage(0);
  }
}

}  // namespace platform
