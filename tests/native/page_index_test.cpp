#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "documents/page_index.h"
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
  for (const auto& [id, page] : index.pages) contents[id] = {page.text, page.links};
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
    std::string tree;
    ASSERT_EQ(RefreshPageIndex(document, kept, true, tree), StatusCode::Ok);
    PageIndex fresh;
    ASSERT_EQ(RefreshPageIndex(document, fresh, true, tree), StatusCode::Ok);
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
    std::string tree;
    ASSERT_EQ(RefreshPageIndex(document, index, withText, tree), StatusCode::Ok);
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
