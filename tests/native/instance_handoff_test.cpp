#include "app/instance_handoff.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/app_state.h"
#include "support/system_for_tests.h"

namespace {

const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";

}  // namespace

TEST(ComputeInstanceKey, TellsFoldersApartExactlyAsTheFileSystemDoes) {
  StartupOptions options;
  EXPECT_EQ(ComputeInstanceKey(options), "");
  options.dataFolder = "/home/u/Notes";
  const std::string key = ComputeInstanceKey(options);
  options.dataFolder = "/home/u/Notes/";
  EXPECT_NE(ComputeInstanceKey(options), key);
  options.dataFolder = "/home/u/notes";
  EXPECT_EQ(ComputeInstanceKey(options) == key, FileNamesIgnoreCase());
}

TEST(HandOffPayload, PageLineFeedPath) {
  StartupOptions options;
  options.pageId = kPage;
  options.documentPath = "/home/u/メモ.fcard";
  EXPECT_EQ(BuildHandOffPayload(options), kPage + "\n/home/u/メモ.fcard");

  // payload, page, path
  const std::vector<std::vector<std::string>> cases = {
      {kPage + "\n/a/b.fcard", kPage, "/a/b.fcard"},
      {"\n", "", ""},
      {"\n/a/b\nc.fcard", "", "/a/b\nc.fcard"},  // only the first line feed separates
      {"0F8FAD5B-D9CB-469F-A165-70867728950E\n/a/b.fcard", "", "/a/b.fcard"},
      {"{" + kPage + "}\n/a/b.fcard", "", "/a/b.fcard"},
      {kPage, kPage, ""},
      {"/a/b.fcard", "", ""},
  };
  for (const auto& c : cases) {
    const HandOffRequest request = ParseHandOffPayload(c[0]);
    EXPECT_EQ(request.pageId, c[1]) << c[0];
    EXPECT_EQ(request.path, c[2]) << c[0];
  }
}

TEST(HandleHandOffMessage, RefusesAForeignTagOrAnOversizedPayload) {
  AppState app;
  std::string report;
  std::vector<platform::HandOffMessage> refused(4);
  refused[0].tag = platform::kHandOffTag + 1;
  refused[1].tag = platform::kHandOffTag | (std::uint64_t{1} << 32);  // the whole value is compared
  refused[2].tag = platform::kHandOffTag;
  refused[2].tooLarge = true;
  refused[3].tag = platform::kHandOffTag;
  refused[3].payload = std::string(platform::kLargestHandOffPayload + 1, '\n');
  for (platform::HandOffMessage& message : refused) {
    if (message.payload.empty()) message.payload = "\n/nowhere.fcard";
    EXPECT_EQ(HandleHandOffMessage(app, message, report), 0u);
  }
  EXPECT_EQ(report, "");
  EXPECT_TRUE(app.documents.sessions.empty());
}
