// One server program started by the benchmark and its connected client:
// the broker, or a baseline echo server. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/wine/child_process.h"
#include "bench/wine/raw_pipe_client.h"

namespace corvane::bench {

inline constexpr wchar_t kBrokerProgram[] = L"corvane-broker.exe";
inline constexpr wchar_t kEchoProgram[] = L"corvane-bench-echo.exe";
inline constexpr wchar_t kMinimalPipeProgram[] = L"corvane-bench-minpipe.exe";
inline constexpr wchar_t kMinimalPumpProgram[] = L"corvane-bench-minpipe-pump.exe";

class ServerSession {
 public:
  bool StartBroker();
  // `io`: "overlapped" or "plain"; `reply`: "echo" or a count of text units.
  // `extra`: further options of the echo program.
  bool StartEcho(const std::wstring& io, const std::wstring& reply, const std::wstring& extra = {});

  // Sends `request` and reads one frame back; the time in microseconds, or a
  // negative number when the exchange failed.
  double RoundTrip(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply);
  // Of the last round trip: microseconds until the first reply bytes came.
  double firstBytesAfter() const { return firstBytesAfter_; }
  bool Send(const std::vector<uint8_t>& request) { return client.Write(request); }

  // CPU time (user and kernel) the server's threads have used so far, in
  // microseconds: unlike wall time, a busy machine hardly changes it.
  double CpuMicros() const;

  // The server's memory now, in bytes; false (with a note printed) when the
  // counters cannot be read.
  struct Memory {
    double workingSet = 0, peakWorkingSet = 0, privateBytes = 0;
  };
  bool ReadMemory(Memory& memory) const;

  // Closes the pipe and waits for the server to exit with code 0.
  bool Finish();

  ChildProcess process;
  RawPipeClient client;

 private:
  double firstBytesAfter_ = 0.0;
  bool Connect(const std::wstring& pipe);
};

}  // namespace corvane::bench
