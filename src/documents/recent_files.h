#pragma once
// The recent-files list: one full document path per line, most recent first, at most 10.
#include <string>
#include <string_view>
#include <vector>

struct OpenDocuments;

constexpr std::size_t kMaxRecentFiles = 10;

// The entries of a list file's bytes: at most 10 non-empty lines, a CR before the LF dropped;
// no entry holds a CR or LF.
std::vector<std::string> ParseRecentList(std::string_view bytes);

// Reads the list without locking; the caller holds OpenDocuments.mutex or no other thread exists yet.
// A missing or unreadable file is the empty list.
std::vector<std::string> ReadRecentList(const OpenDocuments& documents);

// Takes OpenDocuments.mutex around ReadRecentList.
std::vector<std::string> ReadRecentFiles(OpenDocuments& documents);

// Moves path to the top of the list. The caller holds OpenDocuments.mutex. The file is replaced in one
// step; when any part of writing the new list fails the old list stays as it was. A path with a
// line break is never listed.
void AddRecentFile(OpenDocuments& documents, const std::string& path);
