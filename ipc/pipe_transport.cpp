#include "ipc/pipe_transport.h"

#include <algorithm>

#include "win/message_pump.h"

namespace {

using corvane::UniqueHandle;

// Waits for the event of an overlapped operation, dispatching window
// messages meanwhile if asked to.
bool WaitForEvent(HANDLE event, bool pump) {
  if (!pump) return WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0;
  return corvane::win::WaitPumpingMessages(1, &event, PM_REMOVE) == WAIT_OBJECT_0;
}

// A wait that failed leaves the operation pending on an OVERLAPPED and a
// buffer that are about to go out of scope: cancel it and let it finish first.
void AbandonIo(HANDLE pipe, OVERLAPPED* overlapped) {
  CancelIoEx(pipe, overlapped);
  DWORD ignored = 0;
  GetOverlappedResult(pipe, overlapped, &ignored, TRUE);
}

}  // namespace

PipeTransportWithMessagePump::~PipeTransportWithMessagePump() {
  ReleaseBuffer();
  Close();
}

bool PipeTransportWithMessagePump::WaitForIo(HANDLE pipe, OVERLAPPED* overlapped, bool pump,
                                             DWORD& bytes) {
  if (!WaitForEvent(overlapped->hEvent, pump)) {
    AbandonIo(pipe, overlapped);
    return false;
  }
  return GetOverlappedResult(pipe, overlapped, &bytes, FALSE) != 0;
}

bool PipeTransportWithMessagePump::AttachAndConnect(HANDLE pipe, bool connect) {
  if (!Attach(pipe)) return false;
  if (!connect) return true;
  const UniqueHandle event = corvane::win::NewEvent(true);
  if (!event) return false;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  if (ConnectNamedPipe(pipe_.get(), &overlapped)) return true;
  switch (GetLastError()) {
    case ERROR_PIPE_CONNECTED:
      return true;
    case ERROR_IO_PENDING: {
      DWORD bytes = 0;
      return WaitForIo(pipe_.get(), &overlapped, pumpMessages, bytes);
    }
    default:
      return false;
  }
}

bool PipeTransportWithMessagePump::Attach(HANDLE pipe) {
  Close();
  pipe_.Reset(pipe);
  return static_cast<bool>(pipe_);
}

const uint8_t* PipeTransportWithMessagePump::Read(size_t& count) {
  if (receiveBuffer.size() < kReadSize) receiveBuffer.resize(kReadSize, 0);
  count = kReadSize;
  if (!pipe_) return nullptr;
  const UniqueHandle event = corvane::win::NewEvent(true);
  if (!event) return nullptr;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD got = 0;
  const bool done = ReadFile(pipe_.get(), receiveBuffer.data(), static_cast<DWORD>(kReadSize), &got,
                             &overlapped) != 0 ||
                    (GetLastError() == ERROR_IO_PENDING && WaitForRead(&overlapped, got));
  if (!done) {
    count = 0;
    return nullptr;
  }
  count = got;
  return got != 0 ? receiveBuffer.data() : nullptr;
}

bool PipeTransportWithMessagePump::WaitForRead(OVERLAPPED* overlapped, DWORD& bytes) {
  if (!pumpMessages && idleRelease != nullptr && idleRelease->Holds()) {
    // One wait in the common case, where the data comes within the idle
    // time: every wait is a round trip to the system, and a large request
    // takes a thousand reads.
    switch (WaitForSingleObject(overlapped->hEvent, ipc::kKeptStorageIdleMs)) {
      case WAIT_OBJECT_0:
        return GetOverlappedResult(pipe_.get(), overlapped, &bytes, FALSE) != 0;
      case WAIT_TIMEOUT:
        idleRelease->Release();
        break;
      default:
        break;  // the wait below fails too and abandons the read
    }
  }
  return WaitForIo(pipe_.get(), overlapped, pumpMessages, bytes);
}

bool PipeTransportWithMessagePump::Write(const void* data, uint64_t length) {
  if (!pipe_) return false;
  const auto* next = static_cast<const uint8_t*>(data);
  while (length != 0) {
    const UniqueHandle event = corvane::win::NewEvent(true);
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    const auto chunk = static_cast<DWORD>(std::min<uint64_t>(length, 0xFFFFFFFFull));
    DWORD written = 0;
    if (!WriteFile(pipe_.get(), next, chunk, &written, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (!WaitForIo(pipe_.get(), &overlapped, pumpMessages, written)) return false;
    }
    if (written == 0) return false;
    next += written;
    length -= written;
  }
  return true;
}

void PipeTransportWithMessagePump::Close() {
  if (!pipe_) return;
  DisconnectNamedPipe(pipe_.get());
  pipe_.Reset();
}
