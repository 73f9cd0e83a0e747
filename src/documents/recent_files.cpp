#include "documents/recent_files.h"

#include <algorithm>
#include <mutex>

#include "documents/session.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/small_files.h"

namespace {

// Far beyond ten paths; a larger file is not a list this program wrote.
constexpr std::uint64_t kMaxRecentListBytes = 1 << 20;

}  // namespace

std::vector<std::string> ParseRecentList(std::string_view bytes) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < bytes.size() && entries.size() < kMaxRecentFiles) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line(bytes.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a list edited into CR LF form
    // A path with a line break is never written, so such a line is not an entry.
    if (!line.empty() && line.find('\r') == std::string::npos) entries.push_back(std::move(line));
  }
  return entries;
}

std::vector<std::string> ReadRecentList(const OpenDocuments& documents) {
  std::string bytes;
  if (platform::ReadFileBytes(documents.recentPath, kMaxRecentListBytes, bytes) != platform::ReadResult::Ok) return {};
  return ParseRecentList(bytes);
}

std::vector<std::string> ReadRecentFiles(OpenDocuments& documents) {
  std::lock_guard<std::mutex> lock(documents.mutex);
  return ReadRecentList(documents);
}

void AddRecentFile(OpenDocuments& documents, const std::string& path) {
  // The list is one path a line: a path with a line break in it would split into bogus entries.
  if (path.find_first_of("\r\n") != std::string::npos) return;
  std::vector<std::string> entries = ReadRecentList(documents);
  std::erase_if(entries, [&](const std::string& entry) { return platform::SamePath(entry, path); });
  entries.insert(entries.begin(), path);
  if (entries.size() > kMaxRecentFiles) entries.resize(kMaxRecentFiles);

  std::string bytes;
  for (const auto& entry : entries) bytes += entry + "\n";
  const std::string temporary = documents.recentPath + ".tmp";
  if (!platform::WriteSmallFile(temporary, bytes) ||
      platform::ReplaceFileDurably(temporary, documents.recentPath) != platform::RenameResult::Ok) {
    // A partly written list must never replace the good one.
    platform::DeleteFile(temporary);
  }
}
