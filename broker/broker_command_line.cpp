#include "broker/broker_command_line.h"

#include <limits>

#include "protocol/decimal_text.h"
#include "protocol/pipe_names.h"

namespace corvane {

namespace {

constexpr std::u16string_view kIpcSwitch = u" --ipc=";
constexpr std::u16string_view kProcSwitch = u" --proc=";

}  // namespace

std::optional<BrokerCommandLine> ParseBrokerCommandLine(std::u16string_view commandLine) {
  if (commandLine.size() < kIpcSwitch.size()) return std::nullopt;
  const size_t ipc = commandLine.find(kIpcSwitch);
  if (ipc == std::u16string_view::npos) return std::nullopt;
  const size_t start = ipc + kIpcSwitch.size();
  // No room left for " --proc=".
  if (commandLine.size() - start < kProcSwitch.size()) return std::nullopt;
  const size_t proc = commandLine.find(kProcSwitch, start);
  if (proc == std::u16string_view::npos) return std::nullopt;
  BrokerCommandLine parsed;
  parsed.ipcValue = std::u16string(commandLine.substr(start, proc - start));
  parsed.processId = ParseProcessId(commandLine.substr(proc + kProcSwitch.size()));
  return parsed;
}

uint32_t ParseProcessId(std::u16string_view text) {
  // The magnitude stops at the limit; that of a negative number is one more.
  constexpr auto kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  const LeadingDecimal number = ReadLeadingDecimal(text, kMaxPositive, kMaxPositive + 1);
  const auto magnitude = static_cast<int64_t>(number.digits.value);
  const int64_t value = number.negative ? -magnitude : magnitude;
  return static_cast<uint32_t>(static_cast<int32_t>(value));
}

std::u16string BrokerPipeName(std::u16string_view ipcValue) {
  std::u16string name(kPipePrefix);
  name += ipcValue;
  return name;
}

}  // namespace corvane
