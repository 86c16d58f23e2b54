// Runs a program as a debuggee and collects the strings it writes with
// OutputDebugString. The tool's --show-diagnostics and the SDK's sessions
// with diagnostics both run the broker under it. Windows only.
//
// Only the thread that created a debuggee may wait for its debug events, so
// one dedicated thread (the debugger thread) starts the program and then runs
// the event loop until the program ends. A debuggee dies with that thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/client/client_result.h"
#include "win/handle_types.h"

namespace corvane::client {

class DebugMonitor {
 public:
  // Receives each string, as TakeOutput would give it, on the debugger
  // thread while the debuggee waits in the call that wrote it. Whatever it
  // throws is dropped with the string.
  using OutputSink = std::function<void(std::string_view output)>;

  // Starts `exePath` with exactly `commandLine`. With a `sink`, strings go to
  // it instead of the queue that TakeOutput empties. StartFailed, with the
  // system's code, if the program could not be started as a debuggee (a
  // host or sandbox may forbid this process to debug).
  static Result<std::unique_ptr<DebugMonitor>> Start(std::u16string_view exePath,
                                                     std::u16string commandLine,
                                                     OutputSink sink = {});

  // Ends the debuggee if it still runs, then waits for the loop to finish:
  // the sink is never called once the destructor has returned.
  ~DebugMonitor();
  DebugMonitor(const DebugMonitor&) = delete;
  DebugMonitor& operator=(const DebugMonitor&) = delete;

  // Valid as long as the monitor lives.
  HANDLE process() const;
  uint32_t processId() const;

  // The strings that arrived since the last call, oldest first, each as
  // written (a trailing "\n" included), in UTF-8. A string is queued before
  // the debuggee continues past the call that wrote it.
  std::vector<std::string> TakeOutput();

  // The exit code once the debuggee has ended within `timeoutMs`; nothing if
  // it still runs (or the loop lost track of it).
  std::optional<uint32_t> WaitForExit(uint32_t timeoutMs);

 private:
  struct Loop;
  explicit DebugMonitor(std::unique_ptr<Loop> loop);
  std::unique_ptr<Loop> loop_;
};

}  // namespace corvane::client
