#include "app/running_instance.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/browser_launch.h"
#include "platform/main_loop.h"

namespace {

constexpr int kExitInitializationFailed = 4;
constexpr char kFallbackStartMessage[] = "起動できませんでした。データフォルダーの権限をご確認ください。";

void ReportStartFailure(const std::string& message) {
  std::fprintf(stderr, "Ferncard: %s\n", message.empty() ? kFallbackStartMessage : message.c_str());
}

// Connection threads may still run after the bounded wait of the shutdown and use the sessions
// and the application state, so no destructor of those may run: the process ends here without
// running static destructors, after the buffered output has been written.
[[noreturn]] void EndProcess(int code) {
  std::fflush(nullptr);
  std::quick_exit(code);
}

}  // namespace

int RunInstance(const StartupOptions& options) {
  platform::PrepareMainLoop();  // before the first listener thread starts

  AppState& app = TheAppState();
  std::string message;
  if (!InitializeApplication(app, options, message)) {
    ReportStartFailure(message);
    return kExitInitializationFailed;
  }

  OpenCurrentInBrowser(app, options.pageId);

  // Later event sources of the main thread (the hand-off of a second start, the tray) join here.
  std::vector<platform::LoopSource> sources;
  platform::RunMainLoop(sources);

  ShutdownSessions(app);
  EndProcess(0);
}
