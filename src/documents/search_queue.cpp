#include "documents/search_queue.h"

SearchTurn::SearchTurn(SearchQueue& queue, const std::string& key) : queue_(queue) {
  std::unique_lock<std::mutex> lock(queue.mutex);
  SearchQueue::Waiter self{key};
  for (auto it = queue.waiting.begin(); it != queue.waiting.end();) {
    if ((*it)->key != key) {
      ++it;
      continue;
    }
    (*it)->replaced = true;
    it = queue.waiting.erase(it);
  }
  if (queue.waiting.size() >= kMaxWaitingSearches) {
    queue.waiting.front()->replaced = true;
    queue.waiting.pop_front();
  }
  queue.waiting.push_back(&self);
  queue.changed.notify_all();
  queue.changed.wait(lock, [&] { return self.replaced || (!queue.running && queue.waiting.front() == &self); });
  if (self.replaced) return;
  queue.waiting.pop_front();
  queue.running = true;
  granted_ = true;
}

SearchTurn::~SearchTurn() {
  if (!granted_) return;
  {
    std::lock_guard<std::mutex> lock(queue_.mutex);
    queue_.running = false;
  }
  queue_.changed.notify_all();
}
