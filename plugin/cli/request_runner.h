// Runs parsed commands through one broker session and prints each answer,
// with the broker's debug output lines ahead of the answer they belong to.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "plugin/cli/cli_command.h"
#include "plugin/cli/exit_codes.h"
#include "plugin/client/client_result.h"

namespace corvane::cli {

struct BrokerAnswer {
  int32_t status = 0;  // request answers
  std::u16string text;
  uint32_t channelError = 0;  // plug-in channel answers
  uint64_t channelHandle = ~0ull;
  uint32_t channelProcessId = 0;
};

// One live broker session.
class BrokerLink {
 public:
  virtual ~BrokerLink() = default;
  // Sends the command's request and waits for its answer (a keep-alive has
  // none); an error once the broker can no longer be reached.
  virtual client::Result<BrokerAnswer, std::string> Send(const CliCommand& command) = 0;
  // Debug output strings that arrived since the last call.
  virtual std::vector<std::string> TakeDiagnostics() = 0;
};

struct RunSettings {
  bool echo = false;  // print each command before its answer (scripts)
  // Answers as JSON objects, one a line; `out` then holds nothing else: no
  // echo, and the broker's debug lines go to `err`.
  bool json = false;
};

// Stops at the first lost connection; otherwise runs every command. Answers
// go to `out`, problems with the tool's own work to `err`.
ExitCode RunCommands(const std::vector<CliCommand>& commands, BrokerLink& link, std::ostream& out,
                     std::ostream& err, const RunSettings& settings);

// Prints what `link` still holds, as "broker: " lines.
void PrintDiagnostics(BrokerLink& link, std::ostream& out);

}  // namespace corvane::cli
