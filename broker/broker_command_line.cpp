#include "broker/broker_command_line.h"

#include <limits>

namespace corvane {

namespace {

constexpr std::u16string_view kIpcSwitch = u" --ipc=";
constexpr std::u16string_view kProcSwitch = u" --proc=";

bool IsSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

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
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulated as a magnitude; the limit of a negative number is one more.
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > limit) magnitude = limit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  return static_cast<uint32_t>(static_cast<int32_t>(value));
}

std::u16string BrokerPipeName(std::u16string_view ipcValue) {
  std::u16string name(u"\\\\.\\pipe\\");
  name += ipcValue;
  return name;
}

}  // namespace corvane
