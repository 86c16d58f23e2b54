// A kernel handle that closes itself on every path. Both null and
// INVALID_HANDLE_VALUE mean "none", since Win32 calls use either. Windows only.
#pragma once

#include <windows.h>

namespace corvane {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return IsValid(handle_); }

  // Gives up ownership without closing.
  HANDLE Release() {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }
  void Reset(HANDLE handle = nullptr) {
    if (IsValid(handle_)) CloseHandle(handle_);
    handle_ = handle;
  }

  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace corvane
