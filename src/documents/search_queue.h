#pragma once
// Whose turn it is to search a document: one search runs at a time, each window has at most one
// search of each kind waiting (a newer one takes its place), and only a few wait in all, so
// searches never take every worker from the requests that must not wait.
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>

// Searches waiting for one document, whatever their windows; one more replaces the oldest.
constexpr std::size_t kMaxWaitingSearches = 4;

struct SearchQueue {
  struct Waiter {
    std::string key;
    bool replaced = false;
  };
  std::mutex mutex;
  std::condition_variable changed;
  bool running = false;
  std::list<Waiter*> waiting;  // oldest first
};

// A search's turn, held until it goes away.
class SearchTurn {
 public:
  // Waits for the turn; key tells the window and the kind of search. Replaced() when a newer
  // search with the same key, or the limit on waiting searches, took its place first.
  SearchTurn(SearchQueue& queue, const std::string& key);
  ~SearchTurn();
  SearchTurn(const SearchTurn&) = delete;
  SearchTurn& operator=(const SearchTurn&) = delete;

  bool Replaced() const { return !granted_; }

 private:
  SearchQueue& queue_;
  bool granted_ = false;
};
