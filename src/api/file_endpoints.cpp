#include "api/file_endpoints.h"

#include "api/failure_answer.h"
#include "documents/backups.h"
#include "documents/document_files.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

constexpr std::string_view kFilePrefix = "/api/file/";
constexpr std::string_view kRecentPrefix = "recent/";

HttpResponse FileAnswer(const FileOutcome& outcome) {
  if (!outcome.status) return FailureAnswer(outcome.status);
  if (outcome.cancelled) return JsonResponse("{\"opened\":false}");
  return JsonResponse("{\"opened\":true,\"name\":\"" + JsonEscape(outcome.name) + "\"}");
}

// The index of "recent/<text>": one or two digits.
bool ParseRecentIndex(std::string_view text, std::size_t& index) {
  if (text.empty() || text.size() > 2) return false;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  index = value;
  return true;
}

}  // namespace

HttpResponse HandleFileEndpoint(DocumentSession& session, const HttpRequest& request) {
  if (request.method != "POST") return ErrorResponse(405, "method_not_allowed", "");
  std::string_view action = request.path;
  if (action.substr(0, kFilePrefix.size()) == kFilePrefix) action.remove_prefix(kFilePrefix.size());

  if (action == "open") return FileAnswer(OpenDocumentFromDialog(session.owner));
  if (action == "open-backup") return FileAnswer(OpenDocumentFromDialog(session.owner, BackupsFolder(session.owner)));
  if (action == "new") return FileAnswer(CreateNewDocument(session.owner));
  if (action == "save-as") return FileAnswer(SaveDocumentAsFromDialog(session));
  if (action.substr(0, kRecentPrefix.size()) == kRecentPrefix) {
    std::size_t index = 0;
    if (!ParseRecentIndex(action.substr(kRecentPrefix.size()), index)) return ErrorResponse(404, "not_found", "");
    return FileAnswer(OpenRecentDocument(session.owner, index));
  }
  return ErrorResponse(404, "not_found", "");
}
