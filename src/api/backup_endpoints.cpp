#include "api/backup_endpoints.h"

#include <string>

#include "documents/backups.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

const char* NameOf(BackupState state) {
  switch (state) {
    case BackupState::Waiting: return "waiting";
    case BackupState::Running: return "running";
    case BackupState::Done: return "done";
    case BackupState::Failed: return "failed";
    case BackupState::None: break;
  }
  return "none";
}

}  // namespace

HttpResponse AnswerBackups(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  const BackupReport report = ReadBackupReport(session);
  HttpResponse response = DefaultResponse();
  response.body = "{\"folder\":\"" + JsonEscape(BackupsFolder(session.owner)) + "\",\"state\":\"" + NameOf(report.state) +
                  "\",\"attempt\":" + std::to_string(report.attempt) + ",\"message\":\"" +
                  JsonEscape(report.message) + "\"}";
  return response;
}
