#include "app/running_instance.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "documents/browser_launch.h"
#include "app/main_thread_services.h"
#include "app/messages.h"
#include "app/quiet_mode.h"
#include "platform/main_loop.h"

namespace {

// Connection threads may still run after the bounded wait of the shutdown and use the sessions
// and the application state, so no destructor of those may run: the process ends here without
// running static destructors, after the buffered output has been written.
[[noreturn]] void EndProcess(int code) {
  std::fflush(nullptr);
  std::_Exit(code);  // no at_quick_exit handlers are used; _Exit is on every C++ runtime
}

}  // namespace

int RunInstance(const StartupOptions& options, const std::string& instanceKey) {
  platform::PrepareMainLoop();  // before the first listener thread starts

  AppState& app = TheAppState();
  std::string message;
  if (!InitializeApplication(app, options, message)) {
    ReportError(message.empty() ? kInitializationFailedMessage : message);
    return kExitInitializationFailed;
  }

  // Besides the request to end, the main loop serves later starts and the tray icon.
  MainThreadServices services;
  const std::vector<platform::LoopSource> sources = StartMainThreadServices(app, instanceKey, services);

  OpenCurrentInBrowser(app.documents, options.pageId);
  platform::RunMainLoop(sources);

  StopSessions(app.documents);
  EndProcess(kExitNormal);
}
