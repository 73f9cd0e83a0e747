#pragma once
// The connection an open document keeps between its page and tree operations, so that each one
// does not open the file and verify it again. What opening checked must still hold at each use:
// the file at the document's path is still the one opened (checked before it is lent), and no
// one else has written the file since it was verified (checked once the operation holds the
// file's lock, where the library notices others' commits; the file is then verified again).
#include <cstddef>
#include <cstdint>

#include "store/document_file.h"
#include "store/format.h"

// A connection lent for one operation; the caller holds the document's mutex for as long as the
// lease lives. When the lease ends the connection goes back to the document, unless a
// transaction is still open on it (an operation that gave up part way): it is then closed,
// which rolls that transaction back.
class StoreLease {
 public:
  StoreLease() = default;
  StoreLease(const StoreLease&) = delete;
  StoreLease& operator=(const StoreLease&) = delete;
  ~StoreLease();

  // As OpenDocumentStore.
  Status Open(DocumentFile& document);
  // As OpenDocumentStoreForWriting.
  Status OpenForWriting(DocumentFile& document);

  sqlite3* get() const { return connection_.get(); }

  // Called once the operation has taken the file's lock (after its first read, or after BEGIN
  // IMMEDIATE): true when no one else has committed to the file since it was last verified, or
  // when it verifies again now. What was read must not be used, nor anything written, on false.
  bool StillVerified();
  // After a commit of this lease's own: the file's change counter moved by one.
  void Committed();

  // The tag of a record as this connection last read or wrote it; empty when not known. Only
  // after StillVerified.
  std::string KnownTag(const char* table, const std::string& id) const;
  // A record's tag as it now stands (empty: no longer known); after a commit, or a read.
  void RememberTag(const char* table, const std::string& id, const std::string& tag);
  // After a write whose effect is in doubt: no tag is known any more.
  void ForgetTags();
  // The size of a body read or written through the connection: after a large one (4 MiB or
  // more) the connection is not kept.
  void NoteBody(std::size_t bytes);

 private:
  DocumentFile* document_ = nullptr;
  ConnectionHandle connection_;
  std::uint32_t dataVersion_ = 0;  // the library's data version of the file when last verified
  bool verified_ = false;         // opened and every check passed: may be kept
  bool fresh_ = false;            // opened for this lease rather than kept
  bool largeBody_ = false;        // a body of kLargeBody or more went through it
  static constexpr std::size_t kLargeBody = 4 * 1048576;
};
