// Runs a program as a debuggee and collects the strings it writes with
// OutputDebugString. Windows only.
//
// Only the thread that created a debuggee may wait for its debug events, so
// one dedicated thread starts the program and then runs the event loop until
// the program ends.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win/handle_types.h"

namespace corvane::cli {

class DebugMonitor {
 public:
  // Starts `exePath` with exactly `commandLine`. Nothing, with `error` set,
  // if the program could not be started.
  static std::unique_ptr<DebugMonitor> Start(std::u16string_view exePath,
                                             std::u16string commandLine, std::string& error);

  // Ends the debuggee if it still runs, then waits for the loop to finish.
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

}  // namespace corvane::cli
