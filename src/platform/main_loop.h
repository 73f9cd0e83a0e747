#pragma once
// The main thread's event loop: it waits for the request to end the program and serves further
// event sources (the hand-off of a later start, the tray) on the main thread.
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// A waitable object of the operating system (a file descriptor on POSIX, a handle on Windows).
using LoopHandle = std::intptr_t;

struct LoopSource {
  LoopHandle handle;
  std::function<void()> onReady;  // called on the main thread whenever the handle is ready
};

// Must run first in the process, before any other thread starts, so that the requests to end the
// program (SIGINT, SIGTERM on POSIX) reach the main loop and not another thread.
bool PrepareMainLoop();

// Serves the sources until the user or the system asks the program to end; then returns.
void RunMainLoop(const std::vector<LoopSource>& sources);

}  // namespace platform
