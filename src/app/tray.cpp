#include "app/tray.h"

#include <string>
#include <thread>

#include "app/app_state.h"
#include "documents/browser_launch.h"
#include "app/quiet_mode.h"
#include "documents/file_dialog.h"
#include "documents/session.h"
#include "platform/folder_window.h"
#include "util/messages.h"

namespace {

// The dialog waits for the user; it runs beside the main loop so that hand-offs and the request
// to end the program are still served meanwhile.
void OpenFileFromTray(AppState& app) {
  std::thread([&app] {
    std::string chosen;
    if (!ShowFileDialog(false, "", chosen)) return;  // cancelled, or another dialog is open
    DocumentSession* session = nullptr;
    if (const Status opened = OpenDocument(app.documents, chosen, &session); !opened) {
      ReportError(MessageOf(opened.code()));
      return;
    }
    LaunchBrowser(*session, "");
  }).detach();
}

}  // namespace

platform::TrayMenu FerncardTrayMenu() {
  platform::TrayMenu menu;
  menu.tip = "Ferncard";
  menu.items = {{platform::TrayCommand::OpenCurrent, kTrayOpenLabel},
                {platform::TrayCommand::OpenFile, kTrayOpenFileLabel},
                {platform::TrayCommand::OpenDataFolder, kTrayOpenDataFolderLabel},
                {platform::TrayCommand::Exit, kTrayExitLabel}};
  return menu;
}

void RunTrayCommand(AppState& app, platform::TrayCommand command) {
  switch (command) {
    case platform::TrayCommand::OpenCurrent: OpenCurrentInBrowser(app.documents, ""); return;
    case platform::TrayCommand::OpenFile: OpenFileFromTray(app); return;
    case platform::TrayCommand::OpenDataFolder: platform::OpenFolderWindow(app.dataFolder); return;
    case platform::TrayCommand::Exit: platform::RequestProgramEnd(); return;
  }
}
