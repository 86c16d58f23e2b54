#include "plugin/client/broker_connection.h"

#include <algorithm>
#include <string>

#include "plugin/client/command_line.h"
#include "protocol/wire.h"
#include "win/deadline.h"
#include "win/wide_text.h"

namespace corvane::client {

namespace {

constexpr DWORD kRetryPauseMs = 20;
constexpr DWORD kReadChunk = 0x10000;

ClientError SystemError(const char* what, DWORD error) {
  switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return {ErrorKind::BrokerGone, std::string("the broker closed the pipe (") + what + ")"};
    default:
      return {ErrorKind::IoFailed,
              std::string(what) + " failed with error " + std::to_string(error)};
  }
}

// One overlapped read or write that gives up after `timeoutMs`. A cancelled
// operation is waited for, so that the buffer and event outlive it.
Result<DWORD> TimedIo(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs) {
  const char* what = write ? "writing to the broker pipe" : "reading from the broker pipe";
  const UniqueHandle event = win::NewEvent(true);
  if (!event) return SystemError("CreateEventW", GetLastError());
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD done = 0;
  const BOOL started = write ? WriteFile(pipe, buffer, size, &done, &overlapped)
                             : ReadFile(pipe, buffer, size, &done, &overlapped);
  if (!started) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return SystemError(what, error);
    if (WaitForSingleObject(event.get(), timeoutMs) != WAIT_OBJECT_0) {
      CancelIoEx(pipe, &overlapped);
      GetOverlappedResult(pipe, &overlapped, &done, TRUE);
      return ClientError{ErrorKind::TimedOut, std::string("timed out ") + what};
    }
    if (!GetOverlappedResult(pipe, &overlapped, &done, FALSE)) {
      return SystemError(what, GetLastError());
    }
  }
  return done;
}

ClientError Closed() {
  return {ErrorKind::BrokerGone, "the connection to the broker is closed"};
}

// The broker ends the channel on a frame it cannot take, so such a request
// is refused here rather than sent.
Result<Done> Sendable(const std::vector<uint8_t>& frame) {
  if (!frame.empty() && frame.size() <= wire::kMaxFrameBytes) return Done{};
  return ClientError{ErrorKind::InvalidArgument, frame.empty()
                                                     ? "the request cannot be encoded"
                                                     : "the request is larger than a frame may be"};
}

}  // namespace

Result<BrokerConnection> BrokerConnection::Connect(std::u16string_view ipcName,
                                                   HANDLE brokerProcess, uint32_t timeoutMs) {
  const std::u16string path = BrokerPipePath(ipcName);
  const wchar_t* name = win::Wide(path);
  const win::Deadline deadline(timeoutMs);
  for (;;) {
    UniqueHandle pipe(CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
        FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (pipe) return BrokerConnection(std::move(pipe));
    const DWORD error = GetLastError();
    // Not created yet, or still serving another client: worth another try.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) {
      return SystemError("opening the broker pipe", error);
    }
    if (brokerProcess != nullptr && WaitForSingleObject(brokerProcess, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(brokerProcess, &code);
      return ClientError{
          ErrorKind::BrokerGone,
          "the broker exited with code " + std::to_string(code) + " before accepting a connection"};
    }
    const DWORD left = deadline.Remaining();
    if (left == 0) {
      return ClientError{ErrorKind::TimedOut, error == ERROR_PIPE_BUSY
                                                  ? "the broker pipe stayed busy"
                                                  : "the broker pipe did not appear in time"};
    }
    const DWORD pause = std::min(left, kRetryPauseMs);
    if (error == ERROR_PIPE_BUSY) {
      WaitNamedPipeW(name, pause);
    } else if (brokerProcess != nullptr) {
      WaitForSingleObject(brokerProcess, pause);
    } else {
      Sleep(pause);
    }
  }
}

Result<Done> BrokerConnection::SendBytes(const uint8_t* bytes, size_t size) {
  if (!pipe_) return Closed();
  if (observer_) observer_(FrameDirection::Sent, bytes, size);
  const win::Deadline deadline(replyTimeoutMs_);
  size_t sent = 0;
  while (sent < size) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(size - sent, 0x10000000));
    auto written =
        TimedIo(pipe_.get(), true, const_cast<uint8_t*>(bytes + sent), chunk, deadline.Remaining());
    if (!written) return written.error();
    if (written.value() == 0) return ClientError{ErrorKind::IoFailed, "the pipe took no bytes"};
    sent += written.value();
  }
  return Done{};
}

Result<Message> BrokerConnection::ReadMessage(std::vector<uint8_t>* frame) {
  if (!pipe_) return Closed();
  const win::Deadline deadline(replyTimeoutMs_);
  std::vector<uint8_t> chunk(kReadChunk);
  std::vector<uint8_t> observed;
  if (observer_ && frame == nullptr) frame = &observed;
  for (;;) {
    Message message;
    switch (reader_.Next(message, frame)) {
      case FrameReader::Step::Message:
        if (observer_) observer_(FrameDirection::Received, frame->data(), frame->size());
        return message;
      case FrameReader::Step::BadFrame:
        return ClientError{ErrorKind::Malformed, "the broker sent bytes that are not a frame"};
      case FrameReader::Step::NeedMore:
        break;
    }
    auto got = TimedIo(pipe_.get(), false, chunk.data(), kReadChunk, deadline.Remaining());
    if (!got) return got.error();
    if (got.value() == 0) return ClientError{ErrorKind::BrokerGone, "the broker sent nothing"};
    reader_.Append(chunk.data(), got.value());
  }
}

Result<Reply> BrokerConnection::Request(uint32_t operation, int32_t hive, std::u16string path,
                                        std::u16string name, std::u16string data) {
  const std::vector<uint8_t> frame =
      EncodeBrokerRequest(operation, hive, std::move(path), std::move(name), std::move(data));
  auto sendable = Sendable(frame);
  if (!sendable) return sendable.error();
  auto sent = SendBytes(frame);
  if (!sent) return sent.error();
  auto message = ReadMessage();
  if (!message) return message.error();
  return ToReply(message.value());
}

Result<PluginChannel> BrokerConnection::GetPluginChannel(uint32_t processId) {
  auto sent = SendBytes(EncodeGetPluginChannel(processId));
  if (!sent) return sent.error();
  auto message = ReadMessage();
  if (!message) return message.error();
  return ToPluginChannel(message.value());
}

Result<Done> BrokerConnection::KeepAlive() {
  return SendBytes(EncodeKeepAlive());
}

}  // namespace corvane::client
