#pragma once
// Opening a browser window on a document session through a one-time ticket.
#include <cstdint>
#include <string>

struct OpenDocuments;
struct DocumentSession;

// http://127.0.0.1:<port>/?ticket=<ticket>, with &page=<id> only for a page identifier.
std::string LaunchAddress(std::uint32_t port, const std::string& ticket, const std::string& pageId);

// Issues a ticket, writes the address to the ticket file when one was asked for, then opens a
// browser window unless the browser is switched off. Where no window can be shown, the address is
// printed on standard output with a line on how to use it. Never reports a failure.
// Must not be called with OpenDocuments.mutex held.
void LaunchBrowser(DocumentSession& session, const std::string& pageId);

// LaunchBrowser for the current session, if there is one.
void OpenCurrentInBrowser(OpenDocuments& documents, const std::string& pageId);
