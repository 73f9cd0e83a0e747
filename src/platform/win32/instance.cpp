// One running instance per key: a named mutex in the logon session, and the hidden window
// that later starts find by its class name and send their request to (WM_COPYDATA).
#include "platform/instance.h"

#include <windows.h>

#include "platform/win32/hidden_window.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::wstring WindowClassName(const std::string& key) { return L"Calderwin.Ferncard.Window" + ToWide(key); }

}  // namespace

std::string InstanceKeyFolderText(const std::string& dataFolder) {
  std::wstring wide = ToWide(dataFolder);
  if (wide.empty()) return dataFolder;
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return FromWide(wide);
}

InstanceLock::~InstanceLock() {
  if (handle != -1) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

InstanceLockResult AcquireInstanceLock(const std::string& key, InstanceLock& lock) {
  const std::wstring name = L"Local\\Calderwin.Ferncard.Instance" + ToWide(key);
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return InstanceLockResult::Unavailable;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return InstanceLockResult::HeldElsewhere;
  }
  // The handle stays open for the life of the instance; the system drops it with the process.
  lock.handle = reinterpret_cast<std::intptr_t>(mutex);
  return InstanceLockResult::Acquired;
}

HandOffReceiver::~HandOffReceiver() {
  // The window lives until the main loop ends; the event goes with the receiver.
  HiddenWindowState& state = HiddenWindow();
  if (handle != -1 && reinterpret_cast<HANDLE>(handle) == state.handOffReady) {
    state.handOffReady = nullptr;
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    // Without a receiver the window must not be found any more (the tray keeps it if shown).
    if (state.window != nullptr && !state.trayShown) {
      state.closingQuietly = true;
      DestroyWindow(state.window);
      state.closingQuietly = false;
    }
  }
}

bool OpenHandOffReceiver(const std::string& key, HandOffReceiver& receiver) {
  if (EnsureHiddenWindow(WindowClassName(key)) == nullptr) return false;
  HiddenWindowState& state = HiddenWindow();
  if (state.handOffReady == nullptr) state.handOffReady = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (state.handOffReady == nullptr) return false;
  receiver.handle = reinterpret_cast<std::intptr_t>(state.handOffReady);
  return true;
}

void ServeHandOffSender(HandOffReceiver&, std::size_t largestPayload,
                        const std::function<std::uint32_t(const HandOffMessage&)>& handler) {
  HiddenWindowState& state = HiddenWindow();
  // Lets the window procedure take messages that senders are waiting to deliver.
  MSG pending{};
  PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (!state.handOffs.empty()) {
    HandOffMessage message;
    message.tag = state.handOffs.front().first;
    message.payload = std::move(state.handOffs.front().second);
    message.tooLarge = state.handOffTooLarge.front() || message.payload.size() > largestPayload;
    if (message.tooLarge) message.payload.clear();
    state.handOffs.pop_front();
    state.handOffTooLarge.pop_front();
    handler(message);  // the sender was answered when the window took the message
  }
}

HandOffSendResult SendHandOff(const std::string& key, std::uint64_t tag, std::string_view payload, int timeoutMs) {
  // The running instance and the browser window it starts may then come to the foreground.
  AllowSetForegroundWindow(ASFW_ANY);
  const HWND window = FindWindowW(WindowClassName(key).c_str(), nullptr);
  if (window == nullptr) return HandOffSendResult::NoReceiver;
  COPYDATASTRUCT data{};
  data.dwData = static_cast<ULONG_PTR>(tag);
  data.cbData = static_cast<DWORD>(payload.size());
  data.lpData = const_cast<char*>(payload.data());
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                      static_cast<UINT>(timeoutMs > 0 ? timeoutMs : 0), &result);
  return HandOffSendResult::Delivered;
}

}  // namespace platform
