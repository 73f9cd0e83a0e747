#include "documents/browser_launch.h"

#include <mutex>

#include "app/app_state.h"
#include "documents/session.h"
#include "http/tickets.h"
#include "platform/browser.h"
#include "platform/small_files.h"
#include "util/text.h"

std::string LaunchAddress(std::uint32_t port, const std::string& ticket, const std::string& pageId) {
  std::string address = "http://127.0.0.1:" + std::to_string(port) + "/?ticket=" + ticket;
  if (IsPageIdShape(pageId)) address += "&page=" + pageId;
  return address;
}

void LaunchBrowser(DocumentSession& session, const std::string& pageId) {
  const std::string address = LaunchAddress(session.listener.port, IssueTicket(session.tickets), pageId);
  if (!session.options.ticketFile.empty()) platform::WriteSmallFile(session.options.ticketFile, address);
  if (session.options.noBrowser) return;
  platform::OpenAddressInBrowser(address);
}

void OpenCurrentInBrowser(AppState& app, const std::string& pageId) {
  DocumentSession* current = nullptr;
  {
    std::lock_guard<std::mutex> lock(app.mutex);
    current = app.current;
  }
  if (current != nullptr) LaunchBrowser(*current, pageId);
}
