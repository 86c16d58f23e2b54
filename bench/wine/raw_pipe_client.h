// The benchmark's own end of a pipe: blocking reads and writes of whole
// frames, with nothing between the caller and ReadFile/WriteFile, so that
// the broker and the baselines are measured with the same client code.
// Windows only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "win/scoped_handle.h"

namespace corvane::bench {

class RawPipeClient {
 public:
  // Opens "\\.\pipe\<name>", retrying while it does not exist yet or is
  // busy, for at most `timeoutMs`. Stops early once `server` (if given) has
  // exited.
  bool Connect(const std::wstring& name, DWORD timeoutMs, HANDLE server = nullptr);
  bool Write(const void* data, size_t size);
  bool Write(const std::vector<uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  // Reads exactly one frame, as long as its length word says; false when the
  // pipe ends first or the header is not a frame's.
  bool ReadFrame(std::vector<uint8_t>& frame);
  void Close() { pipe_.Reset(); }
  // When the first bytes of the last frame arrived (NowMicros).
  double firstBytesAt() const { return firstBytesAt_; }
  bool IsOpen() const { return static_cast<bool>(pipe_); }

 private:
  bool ReadSome(size_t atLeast);

  UniqueHandle pipe_;
  std::vector<uint8_t> pending_;  // bytes read beyond the last frame
  double firstBytesAt_ = 0.0;
};

}  // namespace corvane::bench
