#include <gtest/gtest.h>

#include "platform/instance.h"
#include "support/system_for_tests.h"
#include "app/app_state.h"
#include "app/instance_handoff.h"
#include "documents/session.h"
#include "util/text.h"

namespace {

StartupOptions WithData(const std::string& folder) {
  StartupOptions options;
  options.dataFolder = folder;
  return options;
}

}  // namespace

TEST(ComputeInstanceKey, EmptyWithoutDataFolder) { EXPECT_EQ(ComputeInstanceKey(StartupOptions{}), ""); }

TEST(ComputeInstanceKey, DotAndSixteenHexOfTheFolderText) {
  const std::string key = ComputeInstanceKey(WithData("/home/u/Notes"));
  EXPECT_EQ(key, "." + Sha256Hex(platform::InstanceKeyFolderText("/home/u/Notes")).substr(0, 16));
  ASSERT_EQ(key.size(), 17u);
  EXPECT_TRUE(IsLowerHexOfLength(key.substr(1), 16));
}

TEST(ComputeInstanceKey, FolderTextIsNotNormalised) {
  const std::string key = ComputeInstanceKey(WithData("/home/u/Notes"));
  EXPECT_NE(ComputeInstanceKey(WithData("/home/u/Notes/")), key);  // trailing separator
  EXPECT_NE(ComputeInstanceKey(WithData("Notes")), key);           // relative
  // The key tells letter case apart exactly where folder names do.
  EXPECT_EQ(ComputeInstanceKey(WithData("/home/u/notes")) == key, FileNamesIgnoreCase());
  EXPECT_EQ(ComputeInstanceKey(WithData("/home/u/Notes")), key);
}

TEST(HandOffPayload, PageLineFeedPath) {
  StartupOptions options;
  EXPECT_EQ(BuildHandOffPayload(options), "\n");
  options.pageId = "0f8fad5b-d9cb-469f-a165-70867728950e";
  options.documentPath = "/home/u/メモ.fcard";
  EXPECT_EQ(BuildHandOffPayload(options), "0f8fad5b-d9cb-469f-a165-70867728950e\n/home/u/メモ.fcard");
}

TEST(HandOffPayload, ParsesPageAndPath) {
  const HandOffRequest both = ParseHandOffPayload("0f8fad5b-d9cb-469f-a165-70867728950e\n/a/b.fcard");
  EXPECT_EQ(both.pageId, "0f8fad5b-d9cb-469f-a165-70867728950e");
  EXPECT_EQ(both.path, "/a/b.fcard");

  const HandOffRequest bare = ParseHandOffPayload("\n");
  EXPECT_EQ(bare.pageId, "");
  EXPECT_EQ(bare.path, "");

  // Only the first line feed separates; the rest belongs to the path.
  const HandOffRequest feeds = ParseHandOffPayload("\n/a/b\nc.fcard");
  EXPECT_EQ(feeds.path, "/a/b\nc.fcard");
}

TEST(HandOffPayload, DropsAPageOutOfShapeButKeepsThePath) {
  const HandOffRequest upper = ParseHandOffPayload("0F8FAD5B-D9CB-469F-A165-70867728950E\n/a/b.fcard");
  EXPECT_EQ(upper.pageId, "");
  EXPECT_EQ(upper.path, "/a/b.fcard");
  const HandOffRequest braces = ParseHandOffPayload("{0f8fad5b-d9cb-469f-a165-70867728950e}\n/a/b.fcard");
  EXPECT_EQ(braces.pageId, "");
  EXPECT_EQ(braces.path, "/a/b.fcard");
}

TEST(HandOffPayload, WithoutLineFeedItIsAPageAlone) {
  const HandOffRequest page = ParseHandOffPayload("0f8fad5b-d9cb-469f-a165-70867728950e");
  EXPECT_EQ(page.pageId, "0f8fad5b-d9cb-469f-a165-70867728950e");
  EXPECT_EQ(page.path, "");
  const HandOffRequest text = ParseHandOffPayload("/a/b.fcard");
  EXPECT_EQ(text.pageId, "");
  EXPECT_EQ(text.path, "");
}

TEST(HandleHandOffMessage, RefusesAForeignTagOrAnOversizedPayload) {
  AppState app;
  std::string report;
  platform::HandOffMessage foreign;
  foreign.tag = 0x46434F51;
  foreign.payload = "\n/nowhere.fcard";
  EXPECT_EQ(HandleHandOffMessage(app, foreign, report), 0u);

  platform::HandOffMessage wide;
  wide.tag = kHandOffTag | (std::uint64_t{1} << 32);  // the whole value is compared
  wide.payload = "\n/nowhere.fcard";
  EXPECT_EQ(HandleHandOffMessage(app, wide, report), 0u);

  platform::HandOffMessage oversized;
  oversized.tag = kHandOffTag;
  oversized.tooLarge = true;
  EXPECT_EQ(HandleHandOffMessage(app, oversized, report), 0u);

  platform::HandOffMessage bigPayload;
  bigPayload.tag = kHandOffTag;
  bigPayload.payload = std::string(kLargestHandOffPayload + 1, '\n');
  EXPECT_EQ(HandleHandOffMessage(app, bigPayload, report), 0u);

  EXPECT_EQ(report, "");
  EXPECT_TRUE(app.documents.sessions.empty());
}

TEST(HandleHandOffMessage, APayloadWithoutDocumentOpensNothingNew) {
  AppState app;  // no current session: nothing to show
  std::string report;
  platform::HandOffMessage message;
  message.tag = kHandOffTag;
  message.payload = "\n";
  EXPECT_EQ(HandleHandOffMessage(app, message, report), 1u);
  EXPECT_EQ(report, "");
  EXPECT_TRUE(app.documents.sessions.empty());
}

TEST(HandleHandOffMessage, ADocumentThatCannotBeOpenedIsReportedAfterTheAnswer) {
  AppState app;
  std::string report;
  platform::HandOffMessage message;
  message.tag = kHandOffTag;
  message.payload = "\n/nonexistent-folder-of-ferncard/missing.fcard";
  EXPECT_EQ(HandleHandOffMessage(app, message, report), 1u);  // taken, though it failed
  EXPECT_NE(report, "");
  EXPECT_TRUE(app.documents.sessions.empty());
  EXPECT_EQ(app.documents.current, nullptr);
}
