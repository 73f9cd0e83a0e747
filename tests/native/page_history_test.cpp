#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "documents/page_history.h"
#include "platform/clock.h"
#include "support/store_test_support.h"

namespace {

constexpr std::int64_t kMinute = 60000;
constexpr std::int64_t kDay = 86400000;
constexpr std::int64_t kStart = 1767268800000;  // 2026-01-01 12:00 UTC, a Thursday
const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";

struct PageHistoryTest : DocumentTest {
  PageHistory history;
  std::string tag = "0";

  void SetUp() override {
    DocumentTest::SetUp();
    AttachPageHistory(history, folder.Path("history"), document.path);
  }

  void Write(const std::string& body, std::int64_t now, RevisionRule rule = RevisionRule::WhenDue) {
    const PageWrite write = WritePage(document, history, kPage, body, tag, rule, now);
    ASSERT_EQ(write.result, StatusCode::Ok);
    ASSERT_FALSE(write.historyFailed);
    tag = write.newTag;
  }

  // The kept bodies, newest first, joined by blanks.
  std::string Kept() {
    std::vector<RevisionInfo> revisions;
    EXPECT_TRUE(ListPageRevisions(history, kPage, revisions));
    std::string kept;
    for (const auto& revision : revisions) {
      std::string body;
      EXPECT_EQ(ReadPageRevision(history, kPage, revision.id, body), StatusCode::Ok);
      kept += (kept.empty() ? "" : " ") + body;
    }
    return kept;
  }
};

}  // namespace

TEST_F(PageHistoryTest, KeepsAtMostOneRevisionEveryTenMinutesUnlessAsked) {
  EXPECT_EQ(Kept(), "");
  Write("a", kStart);
  Write("b", kStart + 1);
  EXPECT_EQ(Kept(), "a");
  const std::int64_t kept = kStart + 1;
  struct Step {
    const char* body;
    std::int64_t at;
    RevisionRule rule;
    const char* kept;
  };
  const Step steps[] = {
      {"c", kept + 10 * kMinute - 1, RevisionRule::WhenDue, "a"},        // a millisecond short
      {"d", kept + 10 * kMinute, RevisionRule::WhenDue, "c a"},          // exactly ten minutes
      {"e", kept + 10 * kMinute + 1, RevisionRule::Always, "d c a"},     // asked for
      {"e", kept + 60 * kMinute, RevisionRule::Always, "d c a"},         // the same bytes
      {"d", kept + 70 * kMinute, RevisionRule::Always, "e d c a"},
  };
  for (const auto& step : steps) {
    Write(step.body, step.at, step.rule);
    EXPECT_EQ(Kept(), step.kept) << step.body << " at +" << (step.at - kStart);
  }
}

TEST(PageHistoryThinning, AYearOfEditsKeepsTheLastDayThenOneADayThenOneAWeek) {
  // Three revisions a day, an hour apart, for a year, newest first.
  std::vector<RevisionInfo> revisions;
  for (std::int64_t day = 364; day >= 0; --day) {
    for (int edit = 2; edit >= 0; --edit) {
      revisions.push_back({std::to_string(day * 3 + edit), kStart + day * kDay + edit * 60 * kMinute, 1});
    }
  }
  const std::int64_t now = kStart + 364 * kDay + 9 * 60 * kMinute;
  const std::vector<std::string> thinned = RevisionsToThin(revisions, now);
  const std::set<std::string> gone(thinned.begin(), thinned.end());
  std::set<std::int32_t> days;
  std::set<std::int32_t> weeks;
  std::size_t lastDay = 0;
  for (const auto& revision : revisions) {
    if (gone.count(revision.id) != 0) continue;
    const std::int64_t age = now - revision.time;
    const std::int32_t day = platform::LocalDayNumber(revision.time);
    if (age < kDay) {
      ++lastDay;
    } else if (age < 30 * kDay) {
      EXPECT_TRUE(days.insert(day).second) << "two of one day, " << age / kDay << " days old";
      EXPECT_EQ(revision.time % kDay, kStart % kDay + 2 * 60 * kMinute) << "the day's newest";
    } else {
      EXPECT_TRUE(weeks.insert((day + 3 - ((day + 3) % 7 + 7) % 7) / 7).second) << "two of one week";
    }
  }
  EXPECT_EQ(lastDay, 3u);
  EXPECT_EQ(days.size(), 29u);
  EXPECT_GE(weeks.size(), 48u);  // the 335 days before, in calendar weeks
  EXPECT_LE(weeks.size(), 49u);
  EXPECT_EQ(revisions.size() - thinned.size(), lastDay + days.size() + weeks.size());
}

TEST(PageHistoryThinning, ThinningDayByDayEndsWhereThinningOnceDoes) {
  // Each day two revisions are kept and the history is thinned, as every keep does.
  std::vector<RevisionInfo> revisions;
  const std::int64_t now = kStart + 120 * kDay;
  for (std::int64_t day = 0; day < 120; ++day) {
    for (int edit = 0; edit < 2; ++edit) {
      revisions.insert(revisions.begin(), {std::to_string(day * 2 + edit), kStart + day * kDay + edit * kMinute, 1});
      const std::vector<std::string> thinned = RevisionsToThin(revisions, kStart + day * kDay + edit * kMinute);
      std::erase_if(revisions, [&](const RevisionInfo& r) {
        return std::find(thinned.begin(), thinned.end(), r.id) != thinned.end();
      });
    }
  }
  EXPECT_TRUE(RevisionsToThin(revisions, now).empty());
  std::size_t older = 0;
  for (const auto& revision : revisions) older += now - revision.time >= 30 * kDay ? 1 : 0;
  EXPECT_GE(older, 12u);  // one a week for the 90 days before the last 30
}

TEST_F(PageHistoryTest, KeepingThinsThePagesOlderRevisions) {
  for (std::int64_t day = 0; day < 40; ++day) Write("day " + std::to_string(day), kStart + day * kDay);
  std::vector<RevisionInfo> revisions;
  ASSERT_TRUE(ListPageRevisions(history, kPage, revisions));
  EXPECT_LT(revisions.size(), 39u);
  EXPECT_GE(revisions.size(), 30u);
  EXPECT_TRUE(RevisionsToThin(revisions, kStart + 39 * kDay).empty());
}

TEST_F(PageHistoryTest, APurgeKeepsTheLastBodyAndAnEmptyOrRefusedWriteKeepsNothing) {
  Write("", kStart);
  Write("a", kStart + 1, RevisionRule::Always);  // over an empty body
  EXPECT_EQ(WritePage(document, history, kPage, "x", "stale", RevisionRule::Always, kStart + 2).result,
            StatusCode::Conflict);
  EXPECT_EQ(Kept(), "");
  EXPECT_EQ(PurgePage(document, history, kPage, kStart + 3).result, StatusCode::Ok);
  EXPECT_EQ(Kept(), "a");
  EXPECT_EQ(PurgePage(document, history, kPage, kStart + 4).result, StatusCode::NotFound);
  EXPECT_EQ(Kept(), "a");
  // Written again and replaced: its newest revision holds that body already.
  tag = "0";
  Write("a", kStart + 5);
  Write("b", kStart + 6, RevisionRule::Always);
  EXPECT_EQ(Kept(), "a");
}
