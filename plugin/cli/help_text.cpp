#include "plugin/cli/help_text.h"

#include "plugin/cli/cli_command.h"

namespace corvane::cli {

namespace {

std::string UsageLine(const CommandInfo& command) {
  std::string line = "corvane-plugin ";
  line += command.name;
  if (!command.arguments.empty()) {
    line += ' ';
    line += command.arguments;
  }
  return line;
}

}  // namespace

std::optional<std::string> CommandHelp(std::u16string_view name) {
  for (const CommandInfo& command : Commands()) {
    if (name == std::u16string(command.name.begin(), command.name.end())) {
      return "usage: " + UsageLine(command) + "\n  " + std::string(command.description) +
             "\n  e.g. corvane-plugin " + std::string(command.example) + "\n";
    }
  }
  return std::nullopt;
}

std::string HelpText() {
  std::string text =
      "corvane-plugin: send requests to the Corvane broker as a plug-in would.\n"
      "\n"
      "usage:\n"
      "  corvane-plugin [OPTIONS] COMMAND [ARGUMENTS]\n"
      "  corvane-plugin [OPTIONS] --script FILE     (FILE - reads standard input)\n"
      "  corvane-plugin help [COMMAND]              (also --help, or COMMAND --help)\n"
      "  corvane-plugin --version\n"
      "\n"
      "options:\n"
      "  --help               print this text; after a command, that command's usage\n"
      "  -V, --version        print the tool's version\n"
      "  --broker PATH        the broker program (default: corvane-broker.exe next to this tool)\n"
      "  --show-diagnostics   run the broker under a debugger and print its debug output\n"
      "                       lines, prefixed \"broker: \", before the answer they belong to\n"
      "  --trace              print every frame sent to and received from the broker, in\n"
      "                       hexadecimal and decoded, as \"trace: \" lines on standard error\n"
      "  --json               print each answer as one JSON object a line (operation,\n"
      "                       code, status, status_name, then text, value, values or\n"
      "                       bytes; a broker that could not be started: operation\n"
      "                       \"start\", status_name \"StartFailed\" and message); the\n"
      "                       broker's lines then go to standard error\n"
      "  --script FILE        run one command per line in one broker session; lines\n"
      "                       starting with # and blank lines are skipped\n"
      "\n"
      "HIVE is hkcu, hklm or a number. Numbers are decimal, or hexadecimal after 0x, and\n"
      "are checked before anything is sent: junk or a value out of range is a usage error.\n"
      "A word with blanks goes in double quotes (\"\" inside quotes stands for one\n"
      "quote); \"\" alone is an empty word. File paths may use %APPDATA%-style environment\n"
      "variables. An argument after -- is never an option.\n"
      "\n"
      "commands:\n";
  for (const CommandInfo& command : Commands()) {
    std::string head = "  ";
    head += command.name;
    if (!command.arguments.empty()) {
      head += ' ';
      head += command.arguments;
    }
    text += head + "\n      " + std::string(command.description) + "\n      e.g. " +
            std::string(command.example) + "\n";
  }
  text +=
      "\n"
      "Each answer shows the status by name and code (Ok 0, NotFound 1, Denied 2, Failed 3,\n"
      "Invalid 4) and its text; control characters in texts are shown as \\0, \\t, \\n, \\r\n"
      "or \\x{..}. In a script each request is printed before its answer.\n"
      "\n"
      "exit codes: 0 every answer Ok; 1 some answer not Ok; 2 usage error or local file\n"
      "problem; 3 the broker could not be started or the connection was lost; 4 internal\n"
      "error.\n";
  return text;
}

}  // namespace corvane::cli
