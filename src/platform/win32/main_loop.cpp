// The main thread's loop on Windows: window messages and waitable handles together. The loop
// ends with WM_QUIT (posted when the hidden window is destroyed, or by a console's Ctrl+C).
#include "platform/main_loop.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<DWORD> mainThread{0};

// Runs on a thread of the console; the main thread is asked to end its loop.
BOOL WINAPI OnConsoleEvent(DWORD) {
  PostThreadMessageW(mainThread.load(), WM_QUIT, 0, 0);
  return TRUE;
}

// False when WM_QUIT arrived.
bool DispatchPendingMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return false;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

}  // namespace

bool PrepareMainLoop() {
  mainThread.store(GetCurrentThreadId());
  // Makes sure the thread has a message queue before anyone posts to it.
  MSG message{};
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  return true;
}

void RunMainLoop(const std::vector<LoopSource>& sources) {
  std::vector<HANDLE> handles;
  for (const LoopSource& source : sources) handles.push_back(reinterpret_cast<HANDLE>(source.handle));
  const auto count = static_cast<DWORD>(handles.size());
  while (true) {
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.empty() ? nullptr : handles.data(), INFINITE,
                                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_FAILED) break;
    if (woken < WAIT_OBJECT_0 + count) {
      sources[woken - WAIT_OBJECT_0].onReady();
    } else if (woken == WAIT_OBJECT_0 + count) {
      if (!DispatchPendingMessages()) break;
    }
  }
}

}  // namespace platform
