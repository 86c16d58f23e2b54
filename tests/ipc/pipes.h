// Real named pipes for transport tests: a server end made the way the
// broker makes its pipe and a blocking client end. Windows only.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "ipc/pipe_settings.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane::test {

using Handle = UniqueHandle;

// A name no other test in this or another process uses.
inline std::u16string UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  const std::string text = "\\\\.\\pipe\\corvane-ipc-test-" +
                           std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  return std::u16string(text.begin(), text.end());
}

// The server end as the broker creates it: duplex, overlapped, first
// instance, local clients only, one instance, the broker's buffer sizes.
inline HANDLE CreateServerPipe(const std::u16string& name) {
  return CreateNamedPipeW(win::Wide(name),
                          PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                          PIPE_REJECT_REMOTE_CLIENTS, 1, ipc::kPipeBufferSize, ipc::kPipeBufferSize,
                          ipc::kPipeDefaultTimeoutMs, nullptr);
}

// A blocking client end, as a plug-in opens it.
inline Handle ConnectClient(const std::u16string& name) {
  const wchar_t* wide = win::Wide(name);
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE h = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (h != INVALID_HANDLE_VALUE) return Handle(h);
    if (GetLastError() != ERROR_PIPE_BUSY) break;
    WaitNamedPipeW(wide, ipc::kPipeDefaultTimeoutMs);
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

inline Handle NewEvent() {
  return win::NewEvent(true);
}

}  // namespace corvane::test
