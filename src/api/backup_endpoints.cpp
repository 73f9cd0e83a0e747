#include "api/backup_endpoints.h"

#include <string>

#include "documents/backups.h"
#include "documents/session.h"
#include "util/text.h"

HttpResponse BackupsAnswer(DocumentSession& session) {
  const BackupReport report = ReadBackupReport(session);
  HttpResponse response = DefaultResponse();
  response.body = "{\"folder\":\"" + JsonEscape(BackupsFolder(session.owner)) + "\",\"state\":\"" + report.state +
                  "\",\"attempt\":" + std::to_string(report.attempt) + ",\"message\":\"" +
                  JsonEscape(report.message) + "\"}";
  return response;
}
