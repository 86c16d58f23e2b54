// Byte transport over one named-pipe handle. Every operation is overlapped
// with a fresh event and waits without a time-out; with `pumpMessages` set
// the waits keep the calling thread's window messages flowing. A read that
// waits kKeptStorageIdleMs for data gives back `idleRelease`, the storage
// its channel keeps for large messages (ipc/kept_storage.h), unless it pumps
// messages. Windows only.
#pragma once

#include <windows.h>  // OVERLAPPED in the interface

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ipc/kept_storage.h"
#include "ipc/pipe_settings.h"
#include "win/scoped_handle.h"

class PipeTransportWithMessagePump {
 public:
  static constexpr size_t kReadSize = ipc::kPipeBufferSize;

  PipeTransportWithMessagePump() = default;
  ~PipeTransportWithMessagePump();
  PipeTransportWithMessagePump(const PipeTransportWithMessagePump&) = delete;
  PipeTransportWithMessagePump& operator=(const PipeTransportWithMessagePump&) = delete;

  // Takes ownership of a server handle and, if `connect`, waits for a client.
  // A handle held before is closed as Close does.
  bool AttachAndConnect(HANDLE pipe, bool connect);
  // Takes ownership of a handle without any I/O; one held before is closed.
  bool Attach(HANDLE pipe);
  // Hands the handle over to the caller, connected as it is; none is held
  // afterwards.
  [[nodiscard]] corvane::UniqueHandle TakeHandle() { return std::move(pipe_); }
  // One read of up to 4096 bytes; the bytes stay valid until the next Read.
  const uint8_t* Read(size_t& count);
  bool Write(const void* data, uint64_t length);
  // Disconnects and closes the handle; a second call does nothing.
  void Close();
  // Drops the receive buffer's memory.
  void ReleaseBuffer() { std::vector<uint8_t>().swap(receiveBuffer); }

  static bool WaitForIo(HANDLE pipe, OVERLAPPED* overlapped, bool pump, DWORD& bytes);

  // INVALID_HANDLE_VALUE when none is held.
  HANDLE handle() const { return pipe_ ? pipe_.get() : INVALID_HANDLE_VALUE; }

  bool pumpMessages = false;
  // Given back when no data comes for kKeptStorageIdleMs; not owned.
  ipc::KeptStorage* idleRelease = nullptr;
  std::vector<uint8_t> receiveBuffer;

 private:
  bool WaitForRead(OVERLAPPED* overlapped, DWORD& bytes);

  corvane::UniqueHandle pipe_;
};
