#pragma once
// The outcome of an operation on a document, its files or its history, in the manner of
// LevelDB's Status: a code that callers act on, and for a failure its cause (the SQLite error
// text, the step of the file system that failed) for the log. Ok carries nothing.
#include <string>
#include <utility>

enum class StatusCode {
  Ok,
  NotFound,  // no such record, image, revision or recent entry
  Conflict,  // the version tag given is not the record's
  ReadOnly,  // a write to a document opened from the backups folder
  Error,     // the store failed: the file, the disk or the library
  // Opening a document file.
  FileNotFound,  // no file at the path, or another file was put in its place
  NotADocument,  // not a document of this program, or a damaged one
  NewerVersion,  // written by a newer version of the program
  CannotOpen,    // there, but not to be opened now (held by another program, no permission)
  NoSession,     // opened, but no listener could be started for it
  // The file menu.
  AlreadyOpen,   // the target is a document open in this process
  CannotCreate,  // a new document could not be made there
  CannotSave,    // a copy could not be made there
  // Refused requests.
  TooLarge,        // an image over the size limit
  NotAnImage,      // bytes of no image type the window shows
  SearchReplaced,  // a newer search of the same window took this one's turn
};

class Status {
 public:
  Status() = default;
  // Implicit, so that an operation returns a bare code where there is no cause to tell.
  Status(StatusCode code, std::string cause = {}) : code_(code), cause_(std::move(cause)) {}

  bool ok() const { return code_ == StatusCode::Ok; }
  explicit operator bool() const { return ok(); }
  StatusCode code() const { return code_; }
  const std::string& cause() const { return cause_; }
  bool operator==(StatusCode code) const { return code_ == code; }

  // The same cause under another code: a step's failure as its caller reports it.
  Status As(StatusCode code) const { return Status(code, cause_); }

 private:
  StatusCode code_ = StatusCode::Ok;
  std::string cause_;
};
