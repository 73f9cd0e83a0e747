// Turns to search one document: one runs, a window's newer search replaces its waiting one, and
// only a few wait in all.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "documents/search_queue.h"

namespace {

// A search in a thread of its own: waits for its turn, then holds it until released.
struct Search {
  std::atomic<int> state{0};  // 0 waiting, 1 has the turn, 2 replaced
  std::atomic<bool> release{false};
  std::thread thread;

  Search(SearchQueue& queue, std::string key) {
    thread = std::thread([this, &queue, key] {
      SearchTurn turn(queue, key);
      state = turn.Replaced() ? 2 : 1;
      while (!turn.Replaced() && !release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  ~Search() {
    release = true;
    thread.join();
  }
};

bool Becomes(const std::atomic<int>& state, int wanted) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (state != wanted && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return state == wanted;
}

std::size_t Waiting(SearchQueue& queue) {
  std::lock_guard<std::mutex> lock(queue.mutex);
  return queue.waiting.size();
}

bool WaitingBecomes(SearchQueue& queue, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Waiting(queue) != count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return Waiting(queue) == count;
}

}  // namespace

TEST(SearchQueue, OneRunsANewerSearchOfAWindowReplacesItsWaitingOneAndFewWait) {
  SearchQueue queue;
  Search running(queue, "text:a");
  ASSERT_TRUE(Becomes(running.state, 1));

  Search older(queue, "text:b");
  ASSERT_TRUE(WaitingBecomes(queue, 1));
  Search links(queue, "links:b");  // another kind from the same window waits beside it
  ASSERT_TRUE(WaitingBecomes(queue, 2));
  Search newer(queue, "text:b");
  EXPECT_TRUE(Becomes(older.state, 2));
  EXPECT_EQ(links.state, 0);

  std::vector<std::unique_ptr<Search>> others;
  for (const char* key : {"text:c", "text:d"}) {
    others.push_back(std::make_unique<Search>(queue, key));
    ASSERT_TRUE(WaitingBecomes(queue, others.size() + 2));
  }
  // The fifth waiting search takes the place of the oldest.
  others.push_back(std::make_unique<Search>(queue, "text:e"));
  EXPECT_TRUE(Becomes(links.state, 2));
  ASSERT_TRUE(WaitingBecomes(queue, kMaxWaitingSearches));
  EXPECT_EQ(newer.state, 0);

  // Turns go in order, one at a time.
  running.release = true;
  EXPECT_TRUE(Becomes(newer.state, 1));
  EXPECT_EQ(others[0]->state, 0);
  newer.release = true;
  EXPECT_TRUE(Becomes(others[0]->state, 1));
  for (auto& other : others) other->release = true;
}
