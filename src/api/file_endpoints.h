#pragma once
// POST /api/file/open, /api/file/new, /api/file/save-as and /api/file/recent/<n>: the client's way
// to create, open and copy documents, each opened in a session and a browser window of its own.
#include <cstddef>
#include <string>
#include <string_view>

#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

inline constexpr char kNewDocumentName[] = "新しいメモ.fcard";
inline constexpr char kDocumentExtension[] = ".fcard";

inline constexpr char kFileAlreadyOpenMessage[] = "そのファイルは開いています。別の名前を指定してください。";
inline constexpr char kCannotCreateMessage[] = "ファイルを作成できません。場所の権限と空き容量をご確認ください。";
inline constexpr char kCannotSaveMessage[] = "ファイルを保存できません。場所の権限と空き容量をご確認ください。";

// Called by the API router for every path that begins with "/api/file/", after the gate.
HttpResponse HandleFileEndpoint(DocumentSession& session, const HttpRequest& request);

// Copies the session's document to target, opens the copy as a session of its own and opens a
// browser window on it. The source stays open. False with a user message on failure.
bool SaveDocumentAs(DocumentSession& session, const std::string& target, std::string& message);

// The path with ".fcard" appended, unless it already ends in it (letter case ignored).
std::string EnsureDocumentExtension(const std::string& path);

// The index of "recent/<text>": one or two digits, below count. False otherwise.
bool ParseRecentIndex(std::string_view text, std::size_t count, std::size_t& index);
