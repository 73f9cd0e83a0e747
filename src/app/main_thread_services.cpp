#include "app/main_thread_services.h"

#include <thread>

#include "app/instance_handoff.h"
#include "app/quiet_mode.h"
#include "app/tray.h"

namespace {

void ServeOneHandOff(AppState& app, platform::HandOffReceiver& receiver) {
  std::string report;
  platform::ServeHandOffSender(receiver, platform::kLargestHandOffPayload, [&](const platform::HandOffMessage& message) {
    return HandleHandOffMessage(app, message, report);
  });
  // The sender has its answer by now; the report waits for the user beside the main loop.
  if (!report.empty()) std::thread([report] { ReportError(report); }).detach();
}

}  // namespace

std::vector<platform::LoopSource> StartMainThreadServices(AppState& app, const std::string& instanceKey,
                                                          MainThreadServices& services) {
  std::vector<platform::LoopSource> sources;
  if (platform::OpenHandOffReceiver(instanceKey, services.receiver)) {
    platform::HandOffReceiver& receiver = services.receiver;
    sources.push_back({receiver.handle, [&app, &receiver] { ServeOneHandOff(app, receiver); }});
  }
  if (platform::ShowTrayIcon(FerncardTrayMenu(), services.tray)) {
    platform::Tray& tray = services.tray;
    sources.push_back({tray.handle, [&app, &tray] {
                         for (const platform::TrayCommand command : platform::TakeTrayCommands(tray)) {
                           RunTrayCommand(app, command);
                         }
                       }});
  }
  return sources;
}
