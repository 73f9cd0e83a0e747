#include "api/failure_answer.h"

#include "util/log.h"
#include "util/messages.h"

namespace {

struct Answer {
  int status;
  const char* code;
};

Answer AnswerOf(StatusCode code) {
  switch (code) {
    case StatusCode::NotFound: return {404, "not_found"};
    case StatusCode::Conflict: return {412, "conflict"};
    case StatusCode::ReadOnly: return {403, "read_only"};
    case StatusCode::TooLarge: return {413, "too_large"};
    case StatusCode::NotAnImage: return {415, "unsupported_image"};
    case StatusCode::SearchReplaced: return {409, "search_replaced"};
    case StatusCode::FileNotFound:
    case StatusCode::NotADocument:
    case StatusCode::NewerVersion:
    case StatusCode::CannotOpen:
    case StatusCode::NoSession:
    case StatusCode::AlreadyOpen:
    case StatusCode::CannotCreate:
    case StatusCode::CannotSave: return {409, "file_failed"};
    case StatusCode::Ok:
    case StatusCode::Error: break;
  }
  return {500, "store_error"};
}

}  // namespace

HttpResponse FailureAnswer(const Status& status) {
  const Answer answer = AnswerOf(status.code());
  // Refusals the user caused carry no cause; failures of the file, the disk or the library do.
  if (!status.cause().empty()) LogFailure(answer.code, status);
  return ErrorResponse(answer.status, answer.code, MessageOf(status.code()));
}
