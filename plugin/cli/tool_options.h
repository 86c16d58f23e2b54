// The tool's own options, which come before the command.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plugin/client/client_result.h"

namespace corvane::cli {

struct ToolOptions {
  bool help = false;
  std::optional<std::u16string> helpCommand;  // help for this command only
  bool version = false;
  bool showDiagnostics = false;
  bool trace = false;                        // every frame sent and received, to stderr
  bool json = false;                         // each answer as one JSON object
  std::u16string brokerPath;                 // empty: the default next to the tool
  std::optional<std::u16string> scriptPath;  // "-" is standard input
  std::vector<std::u16string> commandWords;  // the command and its arguments
};

// `args` excludes the program name. Everything from the first word that is
// not one of the tool's options on belongs to the command. Exactly one of a
// command and --script is required unless help or --version is asked for.
// Help comes as --help (general, or the command's if one follows), as
// "help [COMMAND]", or as --help among a command's words.
client::Result<ToolOptions, std::string> ParseToolOptions(const std::vector<std::u16string>& args);

}  // namespace corvane::cli
