#include "api/file_endpoints.h"

#include "api/failure_answer.h"
#include "documents/backups.h"
#include "documents/document_files.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

HttpResponse FileAnswer(const FileOutcome& outcome) {
  if (!outcome.status) return FailureAnswer(outcome.status);
  if (outcome.cancelled) return JsonResponse("{\"opened\":false}");
  return JsonResponse("{\"opened\":true,\"name\":\"" + JsonEscape(outcome.name) + "\"}");
}

}  // namespace

HttpResponse AnswerOpenFile(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  return FileAnswer(OpenDocumentFromDialog(session.owner));
}

HttpResponse AnswerOpenBackup(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  return FileAnswer(OpenDocumentFromDialog(session.owner, BackupsFolder(session.owner)));
}

HttpResponse AnswerNewFile(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  return FileAnswer(CreateNewDocument(session.owner));
}

HttpResponse AnswerSaveAs(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  return FileAnswer(SaveDocumentAsFromDialog(session));
}

HttpResponse AnswerOpenRecent(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  std::size_t index = 0;
  for (const char digit : ids.id) index = index * 10 + static_cast<std::size_t>(digit - '0');
  return FileAnswer(OpenRecentDocument(session.owner, index));
}
