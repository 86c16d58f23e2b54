#include "tests/robustness/draining_pipe_client.h"

#include <algorithm>

#include "win/deadline.h"

namespace corvane::test {

namespace {

constexpr size_t kReadSize = 64 * 1024;

bool IsEndOfPipe(DWORD error) {
  return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA;
}

}  // namespace

DrainingPipeClient::DrainingPipeClient()
    : readEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      writeEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      readBuffer_(kReadSize) {}

bool DrainingPipeClient::Connect(const std::wstring& path, DWORD timeoutMs, HANDLE server) {
  if (!readEvent_ || !writeEvent_) return false;
  const win::Deadline deadline(timeoutMs);
  for (;;) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      pipe_.Reset(h);
      return true;
    }
    if (deadline.Remaining() == 0) return false;
    if (WaitForSingleObject(server, 5) == WAIT_OBJECT_0) return false;
  }
}

void DrainingPipeClient::StartRead() {
  if (readPending_ || ended_) return;
  ResetEvent(readEvent_.get());
  readOverlapped_ = OVERLAPPED{};
  readOverlapped_.hEvent = readEvent_.get();
  // Completed at once or later, the event tells; CollectRead takes the bytes.
  if (ReadFile(pipe_.get(), readBuffer_.data(), static_cast<DWORD>(readBuffer_.size()), nullptr,
               &readOverlapped_) ||
      GetLastError() == ERROR_IO_PENDING) {
    readPending_ = true;
  } else {
    ended_ = true;
  }
}

void DrainingPipeClient::CollectRead() {
  DWORD got = 0;
  readPending_ = false;
  if (!GetOverlappedResult(pipe_.get(), &readOverlapped_, &got, FALSE) || got == 0) {
    ended_ = true;
    return;
  }
  received_.insert(received_.end(), readBuffer_.begin(), readBuffer_.begin() + got);
}

IoOutcome DrainingPipeClient::Write(const uint8_t* data, size_t size, DWORD timeoutMs) {
  const win::Deadline deadline(timeoutMs);
  while (size != 0) {
    StartRead();
    ResetEvent(writeEvent_.get());
    OVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_.get();
    if (!WriteFile(pipe_.get(), data, static_cast<DWORD>(std::min<size_t>(size, 1u << 20)), nullptr,
                   &overlapped)) {
      const DWORD error = GetLastError();
      if (IsEndOfPipe(error)) return IoOutcome::Ended;
      if (error != ERROR_IO_PENDING) return IoOutcome::Failed;
    }
    for (;;) {
      HANDLE events[2] = {writeEvent_.get(), readEvent_.get()};
      const DWORD r =
          WaitForMultipleObjects(readPending_ ? 2 : 1, events, FALSE, deadline.Remaining());
      if (r == WAIT_OBJECT_0) break;
      if (r == WAIT_OBJECT_0 + 1) {
        CollectRead();
        StartRead();
        continue;
      }
      // Time is up (or the wait failed): take the write back before its
      // OVERLAPPED goes out of scope.
      CancelIoEx(pipe_.get(), &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(pipe_.get(), &overlapped, &ignored, TRUE);
      return r == WAIT_TIMEOUT ? IoOutcome::TimedOut : IoOutcome::Failed;
    }
    DWORD written = 0;
    if (!GetOverlappedResult(pipe_.get(), &overlapped, &written, FALSE)) {
      return IsEndOfPipe(GetLastError()) ? IoOutcome::Ended : IoOutcome::Failed;
    }
    if (written == 0) return IoOutcome::Failed;
    data += written;
    size -= written;
  }
  return IoOutcome::Done;
}

IoOutcome DrainingPipeClient::WaitFor(
    const std::function<bool(const std::vector<uint8_t>&)>& enough, DWORD timeoutMs) {
  const win::Deadline deadline(timeoutMs);
  for (;;) {
    if (enough(received_)) return IoOutcome::Done;
    StartRead();
    if (ended_) return IoOutcome::Ended;
    const DWORD r = WaitForSingleObject(readEvent_.get(), deadline.Remaining());
    if (r == WAIT_OBJECT_0) {
      CollectRead();
    } else {
      return r == WAIT_TIMEOUT ? IoOutcome::TimedOut : IoOutcome::Failed;
    }
  }
}

void DrainingPipeClient::Close() {
  if (!pipe_) return;
  if (readPending_) {
    CancelIoEx(pipe_.get(), &readOverlapped_);
    DWORD ignored = 0;
    GetOverlappedResult(pipe_.get(), &readOverlapped_, &ignored, TRUE);
    readPending_ = false;
  }
  pipe_.Reset();
}

}  // namespace corvane::test
