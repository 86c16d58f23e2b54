#include "ipc/pipe_transport.h"

#include <algorithm>

#include "ipc/system_libraries.h"

namespace {

namespace syslib = corvane::syslib;

// A manual-reset event that closes itself on every path.
class IoEvent {
 public:
  IoEvent() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~IoEvent() {
    if (event_ != nullptr) CloseHandle(event_);
  }
  IoEvent(const IoEvent&) = delete;
  IoEvent& operator=(const IoEvent&) = delete;
  explicit operator bool() const { return event_ != nullptr; }
  HANDLE get() const { return event_; }

 private:
  HANDLE event_;
};

void PumpWindowMessages(UINT flags) {
  MSG msg;
  while (syslib::PeekMessageW(&msg, nullptr, 0, 0, flags)) {
    syslib::TranslateMessage(&msg);
    syslib::DispatchMessageW(&msg);
  }
}

// Waits for the event of an overlapped operation, dispatching window
// messages meanwhile if asked to.
bool WaitForEvent(HANDLE event, bool pump) {
  if (!pump) return WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0;
  for (;;) {
    const DWORD r = syslib::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    PumpWindowMessages(PM_REMOVE);
  }
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
  pipe_ = pipe;
  if (pipe == INVALID_HANDLE_VALUE) return false;
  if (!connect) return true;
  IoEvent event;
  if (!event) return false;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  if (ConnectNamedPipe(pipe_, &overlapped)) return true;
  switch (GetLastError()) {
    case ERROR_PIPE_CONNECTED:
      return true;
    case ERROR_IO_PENDING: {
      DWORD bytes = 0;
      return WaitForIo(pipe_, &overlapped, pumpMessages, bytes);
    }
    default:
      return false;
  }
}

bool PipeTransportWithMessagePump::Attach(HANDLE pipe) {
  pipe_ = pipe;
  return pipe != INVALID_HANDLE_VALUE;
}

const uint8_t* PipeTransportWithMessagePump::Read(size_t& count) {
  if (receiveBuffer.size() < kReadSize) receiveBuffer.resize(kReadSize, 0);
  count = kReadSize;
  if (pipe_ == INVALID_HANDLE_VALUE) return nullptr;
  IoEvent event;
  if (!event) return nullptr;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD got = 0;
  const bool done =
      ReadFile(pipe_, receiveBuffer.data(), static_cast<DWORD>(kReadSize), &got, &overlapped) !=
          0 ||
      (GetLastError() == ERROR_IO_PENDING && WaitForIo(pipe_, &overlapped, pumpMessages, got));
  if (!done) {
    count = 0;
    return nullptr;
  }
  count = got;
  return got != 0 ? receiveBuffer.data() : nullptr;
}

bool PipeTransportWithMessagePump::Write(const void* data, uint64_t length) {
  if (pipe_ == INVALID_HANDLE_VALUE) return false;
  const auto* next = static_cast<const uint8_t*>(data);
  while (length != 0) {
    IoEvent event;
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    const auto chunk = static_cast<DWORD>(std::min<uint64_t>(length, 0xFFFFFFFFull));
    DWORD written = 0;
    if (!WriteFile(pipe_, next, chunk, &written, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (!WaitForEvent(event.get(), pumpMessages)) {
        AbandonIo(pipe_, &overlapped);
        return false;
      }
      if (!GetOverlappedResult(pipe_, &overlapped, &written, FALSE)) return false;
    }
    if (written == 0) return false;
    next += written;
    length -= written;
  }
  return true;
}

void PipeTransportWithMessagePump::Close() {
  if (pipe_ == INVALID_HANDLE_VALUE) return;
  DisconnectNamedPipe(pipe_);
  CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}
