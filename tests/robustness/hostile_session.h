// One hostile session against a real broker: start it, make sure it serves,
// feed it damaged input in random pieces, and see how it ends. Windows only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

enum class SessionEnding {
  Served,   // it still answered a ping after the input
  Stopped,  // it closed the pipe on its own (a bad frame, an unknown id)
  Waiting,  // it neither answered nor stopped: the input left a frame open
  Closed,   // the session closed the pipe straight after the input
};

struct SessionReport {
  bool passed = false;
  std::string failure;  // what went wrong, when not passed
  SessionEnding ending = SessionEnding::Waiting;
  size_t inputBytes = 0;
};

struct SessionSetup {
  std::u16string brokerPath;
  std::vector<std::vector<uint8_t>> baseFrames;
};

// Everything the session does follows from `seed`.
SessionReport RunHostileSession(const SessionSetup& setup, uint64_t seed);

}  // namespace corvane::test
