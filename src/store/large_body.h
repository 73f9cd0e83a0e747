#pragma once
// Large record bodies (kLargeBodyBytes or more) read without holding the document for the
// whole of one: straight from the library's pages into the caller's string, and, once the
// body's tag is known, in pieces, letting go of the document's lock between them so that the
// operations waiting for it (a status, a small page read or save) go first.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/document_file.h"

struct sqlite3;

// Copies count bytes from offset of a blob body into body at the same offset (body is already
// that long) on an open connection inside a read: Ok, NotFound (the row is gone), Conflict
// (the body no longer has size bytes) or Error.
Status ReadBodyPiece(sqlite3* connection, const char* table, std::int64_t rowid, std::size_t size,
                     std::size_t offset, std::size_t count, std::string& body);

// Reads the rest of a body from offset on, in pieces of at most kBodyPieceBytes, each under the
// document's lock in its own read, as long as the record still has the tag it had when its
// first piece was read; one such read at a time, so that the lock goes in turn to it and to
// the light operations. Ok; Conflict when the record changed in between (read it again); Error.
Status ReadRestInPieces(DocumentFile& document, const char* table, const std::string& id, const std::string& tag,
                        std::string& body, std::size_t offset);

inline constexpr std::size_t kBodyPieceBytes = 1048576;
