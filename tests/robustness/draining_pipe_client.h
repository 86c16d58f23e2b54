// A client end of the broker pipe for hostile sessions: every wait is
// bounded, and whatever the broker sends is drained while writing, so that a
// broker busy writing replies never blocks the session. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win/scoped_handle.h"

namespace corvane::test {

enum class IoOutcome {
  Done,
  Ended,     // the broker closed its end of the pipe
  TimedOut,  // nothing moved within the time allowed
  Failed,    // any other error
};

class DrainingPipeClient {
 public:
  DrainingPipeClient();
  ~DrainingPipeClient() { Close(); }
  DrainingPipeClient(const DrainingPipeClient&) = delete;
  DrainingPipeClient& operator=(const DrainingPipeClient&) = delete;

  // Opens `path` ("\\.\pipe\..."), retrying while it does not exist yet, at
  // most `timeoutMs`; gives up early once `server` has exited.
  bool Connect(const std::wstring& path, DWORD timeoutMs, HANDLE server);
  // Writes all of `size` bytes, reading meanwhile.
  IoOutcome Write(const uint8_t* data, size_t size, DWORD timeoutMs);
  // Reads until `enough(received())` holds, the broker ends the pipe or the
  // time is up.
  IoOutcome WaitFor(const std::function<bool(const std::vector<uint8_t>&)>& enough,
                    DWORD timeoutMs);
  const std::vector<uint8_t>& received() const { return received_; }
  bool ended() const { return ended_; }
  // Cancels what is pending and closes the pipe.
  void Close();

 private:
  void StartRead();
  void CollectRead();

  UniqueHandle pipe_;
  UniqueHandle readEvent_;
  UniqueHandle writeEvent_;
  OVERLAPPED readOverlapped_{};
  bool readPending_ = false;
  bool ended_ = false;
  std::vector<uint8_t> readBuffer_;
  std::vector<uint8_t> received_;
};

}  // namespace corvane::test
