#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "documents/page_index.h"
#include "documents/page_index_file.h"
#include "documents/page_search.h"
#include "documents/search_queue.h"
#include "platform/files.h"
#include "store/images.h"
#include "store/records.h"
#include "support/store_test_support.h"

namespace {

const std::string kA = "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";
const std::string kB = "1f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";

struct PageIndexFixture : DocumentTest {
  Status Put(const std::string& id, const std::string& body) {
    std::string body0, tag, newTag;
    GetPage(document, id, body0, tag);
    return PutPage(document, id, body, tag, newTag);
  }
};

// What an index holds, in an order that compares.
std::map<std::string, std::pair<std::string, std::vector<std::string>>> Contents(const PageIndex& index) {
  std::map<std::string, std::pair<std::string, std::vector<std::string>>> contents;
  for (const auto& [id, page] : index.pages) contents[id] = {std::string(TextOf(index, page)), page.links};
  return contents;
}

}  // namespace

// An index kept across writes reads again only what this process wrote, and everything once
// another program has changed the file; either way it ends up as a fresh index would.
TEST_F(PageIndexFixture, RefreshReadsWhatChangedAndMatchesAFreshIndex) {
  ASSERT_EQ(Put(kA, "<p>Alpha</p>"), StatusCode::Ok);
  ASSERT_EQ(Put(kB, "<p>Beta <a href=\"#" + kA + "\">a</a></p>"), StatusCode::Ok);
  struct Step {
    const char* name;
    std::function<void()> write;
    bool everyPage;
    std::vector<std::string> pages;
  };
  const Step steps[] = {
      {"first read", [] {}, true, {}},
      {"nothing written", [] {}, false, {}},
      {"a page written", [&] { ASSERT_EQ(Put(kA, "<p>ＡＬＰＨＡ two</p>"), StatusCode::Ok); }, false, {kA}},
      {"tree and image written",
       [&] {
         std::string tag, id;
         ASSERT_EQ(PutTree(document, "{}", "0", tag), StatusCode::Ok);
         ASSERT_EQ(InsertImage(document, std::string("GIF89a", 6), id), StatusCode::Ok);
       },
       false, {}},
      {"a conflict", [&] {
         std::string tag;
         ASSERT_EQ(PutPage(document, kB, "<p>lost</p>", "0", tag), StatusCode::Conflict);
       }, false, {}},
      {"a page deleted", [&] { ASSERT_EQ(DeletePage(document, kA), StatusCode::Ok); }, false, {kA}},
      {"another program's write",
       [&] { ASSERT_TRUE(RunSql(document.path, "UPDATE pages SET body=CAST('<p>Gamma</p>' AS BLOB)")); }, true, {}},
      {"another program's write and ours",
       [&] {
         ASSERT_TRUE(RunSql(document.path, "INSERT INTO pages(id, body) VALUES('" + kA + "', x'')"));
         ASSERT_EQ(Put(kB, "<p>Delta</p>"), StatusCode::Ok);
       },
       true, {}},
  };
  PageMark mark;
  PageIndex kept;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.write();
    {
      PageReadView view;
      PageChanges changes;
      ASSERT_EQ(view.Open(document, mark, changes), StatusCode::Ok);
      EXPECT_EQ(changes.everyPage, step.everyPage);
      EXPECT_EQ(changes.pages, step.pages);
    }
    ASSERT_EQ(RefreshPageIndex(document, kept, true), StatusCode::Ok);
    PageIndex fresh;
    ASSERT_EQ(RefreshPageIndex(document, fresh, true), StatusCode::Ok);
    EXPECT_EQ(Contents(kept), Contents(fresh));
  }
  EXPECT_EQ(Contents(kept).at(kB).first, "delta");
}

// Page opens ask only for links; texts are read from the first text search on and then kept.
TEST_F(PageIndexFixture, TextsAreKeptFromTheFirstTextSearchOn) {
  ASSERT_EQ(Put(kA, "<p>Alpha</p>"), StatusCode::Ok);
  ASSERT_EQ(Put(kB, "<p><a href=\"#" + kA + "\">Beta</a></p>"), StatusCode::Ok);
  PageIndex index;
  const auto refresh = [&](bool withText) {
    ASSERT_EQ(RefreshPageIndex(document, index, withText), StatusCode::Ok);
  };
  refresh(false);
  EXPECT_EQ(Contents(index).at(kB), std::make_pair(std::string(), std::vector<std::string>{kA}));
  EXPECT_EQ(Contents(index).at(kA).first, "");
  refresh(true);
  EXPECT_EQ(Contents(index).at(kA).first, "alpha");
  ASSERT_EQ(Put(kA, "<p>Gamma</p>"), StatusCode::Ok);
  refresh(false);
  EXPECT_EQ(Contents(index).at(kA).first, "gamma");
  EXPECT_EQ(Contents(index).at(kB).first, "beta");
}

// The index an earlier run left in the data folder is taken again: only the pages another program
// wrote meanwhile have their text extracted again, and a file that is not whole is ignored.
TEST_F(PageIndexFixture, AnIndexFileFromAnEarlierRunIsTakenAndChecked) {
  ASSERT_EQ(Put(kA, "<p>Alpha</p>"), StatusCode::Ok);
  ASSERT_EQ(Put(kB, "<p>Beta</p>"), StatusCode::Ok);
  std::string tag;
  const std::string tree = R"({"pages":[{"id":")" + kA + R"(","title":"A"},{"id":")" + kB + R"(","title":"B"}]})";
  ASSERT_EQ(PutTree(document, tree, "0", tag), StatusCode::Ok);
  const std::string indexFolder = folder.Path("index");
  // One run of the program: a fresh look at the document, whose file is read in the background as
  // it opens while the run's searches may already wait for their turn.
  const auto run = [&](const std::function<void(DocumentFile&, PageIndex&)>& work) {
    DocumentFile file;
    file.path = document.path;
    file.identity = platform::FileIdentityOf(file.path);
    PageIndex index;
    index.fileFolder = indexFolder;
    index.filePath = PageIndexFilePath(indexFolder, file.path);
    SearchQueue searches;
    PageIndexKeeper keeper;
    keeper.ReadSoon(file, index, searches);
    keeper.Opened();
    const SearchTurn turn(searches, "window");
    work(file, index);
  };
  const auto search = [](DocumentFile& file, PageIndex& index, const std::string& query) {
    ReadPageIndexFile(file, index);  // as a search that comes before the background read does
    std::vector<SearchHit> hits;
    std::size_t total = 0;
    EXPECT_EQ(SearchPages(file, index, SearchRequest{query, ""}, hits, total), StatusCode::Ok);
    std::vector<std::string> ids;
    for (const SearchHit& hit : hits) ids.push_back(hit.id);
    return ids;
  };
  run([&](DocumentFile& file, PageIndex& index) {
    search(file, index, "alpha");
    PageIndexKeeper writer;  // waits for its write when it goes
    writer.WriteSoon(file, index);
  });
  const std::string path = PageIndexFilePath(indexFolder, document.path);
  const std::string written = ReadFileBytesForTest(path);
  std::string damaged = written;
  damaged[damaged.size() / 3] ^= 0x20;
  const struct {
    const char* name;
    std::string file;
    std::string sql;  // another program's write before the run
    std::vector<std::pair<std::string, std::vector<std::string>>> searches;
    std::uint64_t extracted;  // pages whose text the run extracted
  } cases[] = {
      {"unchanged", written, "", {{"alpha", {kA}}, {"beta", {kB}}}, 0},
      {"damaged", damaged, "", {{"alpha", {kA}}, {"beta", {kB}}}, 2},
      {"cut short", written.substr(0, written.size() - 1), "", {{"alpha", {kA}}}, 2},
      {"not an index", "<p>Alpha</p>", "", {{"alpha", {kA}}}, 2},
      {"another program wrote a page", written,
       "UPDATE pages SET body=CAST('<p>Gamma</p>' AS BLOB) WHERE id='" + kA + "'",
       {{"gamma", {kA}}, {"alpha", {}}, {"beta", {kB}}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(path, c.file);
    if (!c.sql.empty()) {
      ASSERT_TRUE(RunSql(document.path, c.sql));
    }
    run([&](DocumentFile& file, PageIndex& index) {
      for (const auto& [query, ids] : c.searches) EXPECT_EQ(search(file, index, query), ids) << query;
      EXPECT_EQ(index.version - index.savedVersion, c.extracted);
    });
  }
}

TEST(PageLinks, OnlyQuotedHashLinksOfAPageIdsShape) {
  const std::string id = "0f8e3a5c-1b2d-4c6e-8a9b-0c1d2e3f4a5b";
  const struct {
    std::string body;
    std::vector<std::string> links;
  } cases[] = {
      {"<a href=\"#" + id + "\">x</a><a href=\"#" + id + "\">y</a>", {id, id}},
      {"<a href=\"#" + id.substr(0, 35) + "\">", {}},
      {"<a href=\"https://x.test/#" + id + "\">", {}},
      {"<a href=\"#0F8E3A5C-1B2D-4C6E-8A9B-0C1D2E3F4A5B\">", {}},
      {"href=\"#" + id, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(PageLinksOf(c.body), c.links) << c.body;
}
