#include "documents/browser_launch.h"

#include <cstdio>
#include <mutex>

#include "documents/session.h"
#include "http/tickets.h"
#include "platform/browser.h"
#include "platform/small_files.h"
#include "util/text.h"
#include "util/messages.h"

namespace {


// Where no window can be shown (over SSH, say), the user opens the address in a browser elsewhere.
void PrintLaunchAddress(const std::string& address) {
  static std::mutex printing;  // two launches at once print whole lines
  std::lock_guard<std::mutex> lock(printing);
  std::fprintf(stdout, "%s\n%s\n", address.c_str(), kOpenItYourselfMessage);
  std::fflush(stdout);
}

}  // namespace

std::string LaunchAddress(std::uint32_t port, const std::string& ticket, const std::string& pageId) {
  std::string address = "http://127.0.0.1:" + std::to_string(port) + "/?ticket=" + ticket;
  if (IsPageIdShape(pageId)) address += "&page=" + pageId;
  return address;
}

void LaunchBrowser(DocumentSession& session, const std::string& pageId) {
  const std::string address = LaunchAddress(session.listener.port, IssueTicket(session.gate.tickets), pageId);
  if (!session.owner.settings.ticketFile.empty()) platform::WriteSmallFile(session.owner.settings.ticketFile, address);
  if (session.owner.settings.noBrowser) return;
  platform::OpenAddressInBrowser(address, [address] { PrintLaunchAddress(address); });
}

void OpenCurrentInBrowser(OpenDocuments& documents, const std::string& pageId) {
  DocumentSession* current = nullptr;
  {
    std::lock_guard<std::mutex> lock(documents.mutex);
    current = documents.current;
  }
  if (current != nullptr) LaunchBrowser(*current, pageId);
}
