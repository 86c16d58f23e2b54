#include "bench/wine/raw_pipe_client.h"

#include <algorithm>
#include <cstring>

#include "bench/wine/bench_clock.h"

namespace corvane::bench {

namespace {

constexpr size_t kHeaderBytes = 32;
constexpr size_t kChunk = 64 * 1024;
constexpr uint32_t kHeaderMagic = 0x4D4F524Bu;
constexpr uint64_t kMaxFrameWords = 0x800000;

uint32_t Low32At(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t v;
  std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

}  // namespace

bool RawPipeClient::Connect(const std::wstring& name, DWORD timeoutMs, HANDLE server) {
  const std::wstring path = L"\\\\.\\pipe\\" + name;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  pending_.clear();
  for (;;) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      pipe_.Reset(h);
      return true;
    }
    const DWORD error = GetLastError();
    if (GetTickCount64() >= deadline) return false;
    if (server != nullptr && WaitForSingleObject(server, 0) == WAIT_OBJECT_0) return false;
    if (error == ERROR_PIPE_BUSY) {
      WaitNamedPipeW(path.c_str(), 10);
    } else {
      Sleep(1);
    }
  }
}

bool RawPipeClient::Write(const void* data, size_t size) {
  const auto* next = static_cast<const uint8_t*>(data);
  while (size != 0) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(pipe_.get(), next, chunk, &written, nullptr) || written == 0) return false;
    next += written;
    size -= written;
  }
  return true;
}

bool RawPipeClient::ReadSome(size_t atLeast) {
  while (pending_.size() < atLeast) {
    const size_t at = pending_.size();
    const size_t want = std::max(kChunk, atLeast - at);
    pending_.resize(at + want);
    DWORD got = 0;
    const BOOL ok =
        ReadFile(pipe_.get(), pending_.data() + at, static_cast<DWORD>(want), &got, nullptr);
    pending_.resize(at + got);
    if (!ok && GetLastError() != ERROR_MORE_DATA) return false;
    if (got == 0) return false;
  }
  return true;
}

bool RawPipeClient::ReadFrame(std::vector<uint8_t>& frame) {
  if (!ReadSome(1)) return false;
  firstBytesAt_ = NowMicros();
  if (!ReadSome(kHeaderBytes)) return false;
  if (Low32At(pending_, 0) != kHeaderMagic) return false;
  const uint64_t words = Low32At(pending_, 24);
  if (words < 5 || words > kMaxFrameWords) return false;
  const auto size = static_cast<size_t>(words * 8);
  if (!ReadSome(size)) return false;
  frame.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
  return true;
}

}  // namespace corvane::bench
