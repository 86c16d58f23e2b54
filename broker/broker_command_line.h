// What the broker's command line tells it: the name of its pipe and the
// process it serves. Platform-independent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

struct BrokerCommandLine {
  std::u16string ipcValue;  // taken as it is: may be empty or hold blanks
  uint32_t processId = 0;
};

// Finds " --ipc=" and, after it, " --proc="; nothing if either is missing.
std::optional<BrokerCommandLine> ParseBrokerCommandLine(std::u16string_view commandLine);

// A signed decimal number after optional white space, up to the first
// non-digit; no digits give 0. Values beyond the signed 32-bit range stay at
// its limits, so an overlong number never wraps onto some other process id.
uint32_t ParseProcessId(std::u16string_view text);

// "\\.\pipe\" + ipcValue.
std::u16string BrokerPipeName(std::u16string_view ipcValue);

}  // namespace corvane
