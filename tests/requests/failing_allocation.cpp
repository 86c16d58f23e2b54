#include "tests/requests/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> failNext{false};
}  // namespace

namespace corvane::test {

void FailNextAllocation(bool fail) {
  failNext = fail;
}

}  // namespace corvane::test

void* operator new(std::size_t size) {
  if (failNext.exchange(false)) throw std::bad_alloc();
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
