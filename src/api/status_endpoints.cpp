#include "api/status_endpoints.h"

#include <string>
#include <vector>

#include "documents/document_status.h"
#include "documents/session.h"
#include "util/text.h"

// FERNCARD_VERSION is the project's version, defined by the build.
HttpResponse AnswerStatus(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  const DocumentStatus status = StatusOfDocument(session);
  return JsonResponse("{\"product\":\"Ferncard\",\"version\":\"" FERNCARD_VERSION "\",\"file\":\"" +
                      JsonEscape(status.path) + "\",\"fileName\":\"" + JsonEscape(status.fileName) +
                      "\",\"isDefault\":" + (status.isDefault ? "true" : "false") +
                      ",\"readOnly\":" + (status.readOnly ? "true" : "false") +
                      ",\"port\":" + std::to_string(status.port) + "}");
}

HttpResponse AnswerRecent(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  const std::vector<RecentDocument> recent = ListRecentDocuments(session.owner);
  std::string body = "{\"recent\":[";
  for (std::size_t i = 0; i < recent.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"path\":\"" + JsonEscape(recent[i].path) + "\",\"name\":\"" + JsonEscape(recent[i].name) +
            "\",\"exists\":" + (recent[i].exists ? "true" : "false") + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse AnswerOpenDataFolder(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  ShowDocumentInFolder(session);
  return NoContent();
}
