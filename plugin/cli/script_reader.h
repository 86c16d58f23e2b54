// Script files: one command per line, words separated by blanks, double
// quotes around words with blanks, # comments and blank lines skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin/cli/cli_command.h"
#include "plugin/client/client_result.h"

namespace corvane::cli {

// Splits one line into words. Inside double quotes blanks are kept and ""
// stands for one quote; an unquoted # at the start of a word ends the line.
// An unterminated quote is an error.
client::Result<std::vector<std::u16string>, std::string> SplitWords(std::u16string_view line);

// Quotes a word only when reading it back would need it.
std::u16string QuoteWord(std::u16string_view word);

struct Script {
  std::vector<CliCommand> commands;
  std::vector<std::string> errors;  // "SOURCE:N: ...", one per bad line
};

// Reads UTF-8 text (a byte-order mark is skipped; CRLF and LF both end a
// line). Every line is checked, so all errors are reported together, each
// after `sourceName` and the line number as editors and compilers write them.
Script ParseScript(std::string_view utf8Text, std::string_view sourceName);

}  // namespace corvane::cli
