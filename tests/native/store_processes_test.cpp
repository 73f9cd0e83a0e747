// Several processes on one document: the file lock arbitrates, and a killed writer loses nothing
// that was committed and leaves nothing half-written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/format.h"
#include "store/records.h"
#include "store/store_files.h"
#include "support/child_process.h"
#include "support/store_test_support.h"

namespace {

constexpr int kPages = 8;
constexpr int kTree = kPages;  // the tree is record number kPages

std::string PageId(int index) { return "00000000-0000-4000-8000-00000000000" + std::to_string(index); }

// Bodies of changing sizes, so that writes span and free several database pages.
std::string Body(int record, long version) {
  std::string body = std::to_string(record) + ":" + std::to_string(version) + ";";
  body.append(static_cast<std::size_t>((version * 1237 + record * 311) % 9000), static_cast<char>('a' + record));
  return body;
}

long VersionOf(const std::string& body) {
  const auto colon = body.find(':');
  const auto semicolon = body.find(';');
  if (body.empty()) return 0;
  if (colon == std::string::npos || semicolon == std::string::npos) return -1;
  return std::stol(body.substr(colon + 1, semicolon - colon - 1));
}

Status Read(DocumentFile& document, int record, std::string& body, std::string& tag) {
  if (record == kTree) return GetTree(document, body, tag);
  return GetPage(document, PageId(record), body, tag);
}

Status Write(DocumentFile& document, int record, const std::string& body, const std::string& expected,
                  std::string& tag) {
  if (record == kTree) return PutTree(document, body, expected, tag);
  return PutPage(document, PageId(record), body, expected, tag);
}

// Writes every record in turn, forever, reporting each committed write as "record version".
int WriteUntilKilled(const std::string& path, const Channel& channel) {
  DocumentFile document;
  document.path = path;
  std::vector<std::string> tags(kPages + 1);
  std::vector<long> versions(kPages + 1);
  for (int record = 0; record <= kPages; ++record) {
    std::string body;
    if (Read(document, record, body, tags[record]) == StatusCode::Error) return 2;
    versions[record] = VersionOf(body);
  }
  for (;;) {
    for (int record = 0; record <= kPages; ++record) {
      const long next = versions[record] + 1;
      if (Write(document, record, Body(record, next), tags[record], tags[record]) != StatusCode::Ok) return 3;
      versions[record] = next;
      const std::string line = std::to_string(record) + " " + std::to_string(next);
      if (!SendLine(channel, line.c_str())) return 4;
    }
  }
}

}  // namespace

TEST(StoreProcesses, TwoProcessesWithTheSameTagEndInOneWriteAndOneConflict) {
  if (!ChildProcessesSupported()) GTEST_SKIP() << "no child processes on this platform";
  TempFolder folder;
  DocumentFile document;
  document.path = folder.Path("shared.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
  std::string tag;
  ASSERT_EQ(PutPage(document, PageId(1), "<p>base</p>", "0", tag), StatusCode::Ok);

  Channel start = OpenChannel();
  ChildProcess children[2];
  for (int i = 0; i < 2; ++i) {
    children[i] = StartChild([&, i] {
      CloseWriteEnd(start);
      std::string ignored;
      ReceiveLine(start, ignored);  // returns when the parent closes its end: both start together
      DocumentFile own;
      own.path = document.path;
      std::string newTag;
      return static_cast<int>(PutPage(own, PageId(1), "<p>process " + std::to_string(i) + "</p>", tag, newTag).code());
    });
  }
  CloseChannel(start);
  const int first = WaitChild(children[0]);
  const int second = WaitChild(children[1]);
  const int ok = static_cast<int>(StatusCode::Ok), conflict = static_cast<int>(StatusCode::Conflict);
  EXPECT_TRUE((first == ok && second == conflict) || (first == conflict && second == ok)) << first << " " << second;
  std::string body;
  ASSERT_EQ(GetPage(document, PageId(1), body, tag), StatusCode::Ok);
  EXPECT_EQ(body, first == ok ? "<p>process 0</p>" : "<p>process 1</p>");
}

TEST(StoreProcesses, CopiesTakenWhileAnotherProcessWritesAreConsistent) {
  if (!ChildProcessesSupported()) GTEST_SKIP() << "no child processes on this platform";
  TempFolder folder;
  DocumentFile document;
  document.path = folder.Path("busy.fcard");
  ASSERT_TRUE(CreateStoreFile(document.path));
  Channel channel = OpenChannel();
  ChildProcess child = StartChild([&] { return WriteUntilKilled(document.path, channel); });
  CloseWriteEnd(channel);
  std::string line;
  std::vector<std::string> copies;
  for (int i = 0; i < 3; ++i) {
    for (int acks = 0; acks < 7; ++acks) ASSERT_TRUE(ReceiveLine(channel, line));
    copies.push_back(folder.Path("copy" + std::to_string(i) + ".fcard"));
    // A writer that never pauses can outlast the busy timeout on a loaded machine; such a copy
    // is refused and tried again later (as backups do), and only copies taken must be whole.
    bool copied = false;
    for (int attempt = 0; attempt < 10 && !copied; ++attempt) copied = CopyStoreFile(document, copies.back()).ok();
    EXPECT_TRUE(copied);
  }
  KillChild(child);
  CloseChannel(channel);
  for (const auto& path : copies) {
    ASSERT_TRUE(ValidateDocumentFile(path)) << path;
    DocumentFile copy;
    copy.path = path;
    for (int record = 0; record <= kPages; ++record) {
      std::string body, tag;
      ASSERT_NE(Read(copy, record, body, tag), StatusCode::Error);
      const long version = VersionOf(body);
      if (version != 0) {
        EXPECT_EQ(body, Body(record, version)) << path << " record " << record;
      }
    }
  }
}
