// What corvane-plugin.exe's exit code tells a caller.
#pragma once

namespace corvane::cli {

// Ordered by severity: a run with several outcomes reports the worst one.
enum ExitCode : int {
  kExitOk = 0,          // every answer was Ok
  kExitNotOk = 1,       // at least one answer was not Ok
  kExitUsage = 2,       // bad arguments, a bad script line, a local file problem
  kExitBrokerLost = 3,  // the broker could not be started, reached or kept
  kExitInternal = 4,    // the tool itself failed (out of memory)
};

constexpr ExitCode WorseExit(ExitCode a, ExitCode b) {
  return a >= b ? a : b;
}

}  // namespace corvane::cli
