// An in-memory transport for running channels and dispatch without a pipe:
// reads are served from queued chunks, writes are collected.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace corvane::test {

class MemoryTransport {
 public:
  std::deque<std::vector<uint8_t>> incoming;  // one chunk per Read
  std::vector<uint8_t> written;
  int reads = 0;
  int writes = 0;
  bool failWrites = false;

  void Queue(const std::vector<uint8_t>& bytes) { incoming.push_back(bytes); }

  const uint8_t* Read(size_t& count) {
    ++reads;
    if (incoming.empty()) {
      count = 0;
      return nullptr;
    }
    current_ = std::move(incoming.front());
    incoming.pop_front();
    count = current_.size();
    return current_.empty() ? nullptr : current_.data();
  }

  bool Write(const void* data, uint64_t length) {
    ++writes;
    if (failWrites) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    written.insert(written.end(), p, p + length);
    return true;
  }

 private:
  std::vector<uint8_t> current_;
};

}  // namespace corvane::test
