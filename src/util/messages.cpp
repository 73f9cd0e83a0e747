#include "util/messages.h"

const char* MessageOf(StatusCode code) {
  switch (code) {
    case StatusCode::Ok:
    case StatusCode::NotFound:
    case StatusCode::SearchReplaced: return "";
    case StatusCode::Conflict: return kConflictMessage;
    case StatusCode::ReadOnly: return kReadOnlyMessage;
    case StatusCode::Error: return kStoreErrorMessage;
    case StatusCode::FileNotFound: return kFileNotFoundMessage;
    case StatusCode::NotADocument: return kNotADocumentMessage;
    case StatusCode::NewerVersion: return kNewerVersionMessage;
    case StatusCode::CannotOpen: return kCannotOpenFileMessage;
    case StatusCode::NoSession: return kNoSessionMessage;
    case StatusCode::AlreadyOpen: return kFileAlreadyOpenMessage;
    case StatusCode::CannotCreate: return kCannotCreateMessage;
    case StatusCode::CannotSave: return kCannotSaveMessage;
    case StatusCode::TooLarge: return kImageTooLargeMessage;
    case StatusCode::NotAnImage: return kNotAnImageMessage;
  }
  return kStoreErrorMessage;
}
