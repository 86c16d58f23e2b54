// One owner for every kind of Windows handle: a move-only value that closes
// what it holds on every path. The traits say what "none" is and how to
// close. An event is a kernel handle like any other and needs no traits of
// its own. Windows only; the closing calls live in scoped_handle.cpp, so that
// a header holding an owner does not pull <windows.h> into its readers.
#pragma once

#include <cstdint>

#include "win/handle_types.h"

namespace corvane::win {

template <class Traits>
class ScopedHandle {
 public:
  using Type = typename Traits::Type;

  ScopedHandle() = default;
  explicit ScopedHandle(Type handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Type get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }

  // Gives up ownership without closing; the caller now owns the result.
  [[nodiscard]] Type Release() {
    const Type handle = handle_;
    handle_ = Traits::None();
    return handle;
  }
  // For a call that writes a handle through a pointer (RegOpenKeyExW,
  // DuplicateHandle, ...): closes what is held and answers where the call
  // writes, so the owner holds what it wrote. A call that fails writes none
  // or nothing there.
  [[nodiscard]] Type* Receive() {
    Reset();
    return &handle_;
  }
  // Closes what is held, if anything, and holds `handle` instead. Holding
  // nothing costs no system call, so the last-error value survives moves.
  void Reset(Type handle = Traits::None()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Type handle_ = Traits::None();
};

// Both null and INVALID_HANDLE_VALUE mean "none", since Win32 calls answer
// either on failure.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type None() { return nullptr; }
  static bool IsValid(Type handle) {
    // INVALID_HANDLE_VALUE, spelled without <windows.h>.
    return handle != nullptr && handle != reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
  }
  static void Close(Type handle);  // CloseHandle
};

// The result of RegCloseKey tells the caller nothing it could act on.
struct RegKeyTraits {
  using Type = HKEY;
  static Type None() { return nullptr; }
  static bool IsValid(Type key) { return key != nullptr; }
  static void Close(Type key);  // RegCloseKey
};

// An unnamed, unsignalled event that nobody inherits.
ScopedHandle<KernelHandleTraits> NewEvent(bool manualReset);

}  // namespace corvane::win

namespace corvane {

using UniqueHandle = win::ScopedHandle<win::KernelHandleTraits>;
using RegKey = win::ScopedHandle<win::RegKeyTraits>;

}  // namespace corvane
