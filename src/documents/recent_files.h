#pragma once
// The recent-files list: one full document path per line, most recent first, at most 10.
#include <string>
#include <vector>

struct OpenDocuments;

constexpr std::size_t kMaxRecentFiles = 10;

// Reads the list without locking; the caller holds OpenDocuments.mutex or no other thread exists yet.
// A missing or unreadable file is the empty list.
std::vector<std::string> ReadRecentList(const OpenDocuments& documents);

// Takes OpenDocuments.mutex around ReadRecentList.
std::vector<std::string> ReadRecentFiles(OpenDocuments& documents);

// Moves path to the top of the list. The caller holds OpenDocuments.mutex. The file is replaced in one
// step; when any part of writing the new list fails the old list stays as it was.
void AddRecentFile(OpenDocuments& documents, const std::string& path);
