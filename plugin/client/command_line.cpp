#include "plugin/client/command_line.h"

#include "protocol/pipe_names.h"

namespace corvane::client {

std::u16string BuildBrokerCommandLine(std::u16string_view exePath, std::u16string_view ipcName,
                                      uint32_t servedProcessId) {
  std::u16string line;
  line += u'"';
  line += exePath;
  line += u"\" --ipc=";
  line += ipcName;
  line += u" --proc=";
  const std::string digits = std::to_string(servedProcessId);
  line.append(digits.begin(), digits.end());
  return line;
}

std::u16string BrokerPipePath(std::u16string_view ipcName) {
  if (ipcName.substr(0, kPipePrefix.size()) == kPipePrefix) return std::u16string(ipcName);
  std::u16string path(kPipePrefix);
  path += ipcName;
  return path;
}

}  // namespace corvane::client
