// A time limit for retries and waits, on the tick count that does not wrap.
// Windows only.
#pragma once

#include <windows.h>

#include <algorithm>

namespace corvane::win {

class Deadline {
 public:
  explicit Deadline(DWORD budgetMs) : end_(GetTickCount64() + budgetMs) {}

  // Milliseconds left, 0 once passed; never as long as INFINITE.
  DWORD Remaining() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(end_ - now, 0x7FFFFFFF));
  }

 private:
  ULONGLONG end_;
};

}  // namespace corvane::win
