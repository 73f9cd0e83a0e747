#include "api/status_endpoints.h"

#include <string>
#include <vector>

#include "api/record_endpoints.h"
#include "documents/recent_files.h"
#include "documents/session.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "util/text.h"

// FERNCARD_VERSION is the project's version, defined by the build.
HttpResponse StatusAnswer(DocumentSession& session) {
  const std::string& path = session.document.path;
  const bool isDefault = platform::SamePath(path, session.owner.defaultPath);
  return JsonResponse("{\"product\":\"Ferncard\",\"version\":\"" FERNCARD_VERSION "\",\"file\":\"" + JsonEscape(path) +
                      "\",\"fileName\":\"" + JsonEscape(platform::FileNameOf(path)) + "\",\"isDefault\":" +
                      (isDefault ? "true" : "false") +
                      ",\"readOnly\":" + (session.document.readOnly ? "true" : "false") +
                      ",\"port\":" + std::to_string(session.listener.port) + "}");
}

HttpResponse RecentAnswer(DocumentSession& session) {
  const std::vector<std::string> recent = ReadRecentFiles(session.owner);
  std::string body = "{\"recent\":[";
  for (std::size_t i = 0; i < recent.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"path\":\"" + JsonEscape(recent[i]) + "\",\"name\":\"" + JsonEscape(platform::FileNameOf(recent[i])) +
            "\",\"exists\":" + (platform::IsExistingFile(recent[i]) ? "true" : "false") + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse OpenDataFolder(DocumentSession& session) {
  platform::ShowInFolder(session.document.path);
  return NoContent();
}
