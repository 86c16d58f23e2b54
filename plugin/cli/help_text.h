// The texts that --help, help and COMMAND --help print.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::cli {

// Every option and command, with an example each.
std::string HelpText();

// One command's usage line, what it does and its example; nothing for a
// name that is not a command.
std::optional<std::string> CommandHelp(std::u16string_view name);

}  // namespace corvane::cli
