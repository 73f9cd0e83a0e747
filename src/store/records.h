#pragma once
// Records with compare-and-write on version tags.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/document_file.h"

struct sqlite3;

// The version tag of a record that is not there: the tag a write expects when it creates one.
inline constexpr char kNoRecordTag[] = "0";

// First 32 hex characters of the SHA-256 of the body.
std::string VersionTag(const std::string& body);

Status GetRecord(DocumentFile& document, const char* table, const std::string& id, std::string& body,
                      std::string& tag);
// replaced and deleted, when given, receive the body that the write replaced or removed (empty
// when there was none).
Status PutRecord(DocumentFile& document, const char* table, const std::string& id, const std::string& body,
                      const std::string& expectedTag, std::string& newTag, bool backup,
                      std::string* replaced = nullptr);
Status DeleteRecord(DocumentFile& document, const char* table, const std::string& id,
                         std::string* deleted = nullptr);

// Entries in the document's write log, made under its mutex once a write's outcome is known:
// a committed write (of a page when table is "pages"), or a write whose effect is in doubt.
// Notes the size of a record's body as just read or written (0: deleted).
void NoteRecordSize(DocumentFile& document, const char* table, const std::string& id, std::size_t bytes);
// Whether the record's body was large when last seen; never waits for the document.
bool IsLargeRecord(DocumentFile& document, const char* table, const std::string& id);

void LogCommit(DocumentFile& document, const char* table, const std::string& id);
void LogDoubtfulWrite(DocumentFile& document);

bool WriteRow(sqlite3* connection, const char* table, const std::string& id, const std::string& body);
std::int64_t CountRows(sqlite3* connection, const char* table);

Status GetTree(DocumentFile& document, std::string& body, std::string& tag);
Status PutTree(DocumentFile& document, const std::string& body, const std::string& expectedTag,
                    std::string& newTag);
Status GetPage(DocumentFile& document, const std::string& id, std::string& body, std::string& tag);
Status PutPage(DocumentFile& document, const std::string& id, const std::string& body,
                    const std::string& expectedTag, std::string& newTag, std::string* replaced = nullptr);
Status DeletePage(DocumentFile& document, const std::string& id, std::string* deleted = nullptr);
