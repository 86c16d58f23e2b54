// Real named pipes for transport tests: a server end made the way the
// broker makes its pipe, a blocking client end, and an owned handle.
// Windows only.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : h_(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A name no other test in this or another process uses.
inline std::u16string UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  const std::string text = "\\\\.\\pipe\\corvane-ipc-test-" +
                           std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  return std::u16string(text.begin(), text.end());
}

// The server end as the broker creates it: duplex, overlapped, first
// instance, local clients only, one instance, 4096-byte buffers.
inline HANDLE CreateServerPipe(const std::u16string& name) {
  return CreateNamedPipeW(reinterpret_cast<const wchar_t*>(name.c_str()),
                          PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                          PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 2000, nullptr);
}

// A blocking client end, as a plug-in opens it.
inline Handle ConnectClient(const std::u16string& name) {
  const auto* wide = reinterpret_cast<const wchar_t*>(name.c_str());
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE h = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (h != INVALID_HANDLE_VALUE) return Handle(h);
    if (GetLastError() != ERROR_PIPE_BUSY) break;
    WaitNamedPipeW(wide, 2000);
  }
  return Handle();
}

inline bool WriteAll(HANDLE h, const std::vector<uint8_t>& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                   nullptr) ||
        written == 0) {
      return false;
    }
    at += written;
  }
  return true;
}

// Reads until `want` bytes have arrived or the pipe ends.
inline std::vector<uint8_t> ReadBytes(HANDLE h, size_t want) {
  std::vector<uint8_t> out;
  uint8_t chunk[4096];
  while (out.size() < want) {
    DWORD got = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
    out.insert(out.end(), chunk, chunk + got);
  }
  return out;
}

inline std::vector<uint8_t> ReadToEnd(HANDLE h) {
  return ReadBytes(h, SIZE_MAX);
}

// A manual-reset event.
inline Handle NewEvent() {
  return Handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace corvane::test
