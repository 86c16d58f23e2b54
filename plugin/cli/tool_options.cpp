#include "plugin/cli/tool_options.h"

#include <string_view>

#include "plugin/cli/utf_convert.h"

namespace corvane::cli {
namespace {

// Matches "--name" (value in the next word) or "--name=value".
bool MatchValueOption(const std::vector<std::u16string>& args, size_t& i, std::u16string_view name,
                      std::u16string& value, bool& missing) {
  const std::u16string_view word = args[i];
  if (word == name) {
    if (i + 1 >= args.size()) {
      missing = true;
      return true;
    }
    value = args[++i];
    return true;
  }
  if (word.size() > name.size() && word.substr(0, name.size()) == name &&
      word[name.size()] == u'=') {
    value = word.substr(name.size() + 1);
    return true;
  }
  return false;
}

bool IsHelpWord(std::u16string_view word) {
  return word == u"--help" || word == u"-h" || word == u"/?";
}

}  // namespace

std::optional<ToolOptions> ParseToolOptions(const std::vector<std::u16string>& args,
                                            std::string& error) {
  ToolOptions options;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::u16string_view word = args[i];
    std::u16string value;
    bool missing = false;
    if (IsHelpWord(word)) {
      options.help = true;
    } else if (word == u"--version" || word == u"-V") {
      options.version = true;
    } else if (word == u"--show-diagnostics") {
      options.showDiagnostics = true;
    } else if (word == u"--trace") {
      options.trace = true;
    } else if (word == u"--json") {
      options.json = true;
    } else if (MatchValueOption(args, i, u"--broker", value, missing)) {
      if (missing || value.empty()) {
        error = "--broker needs the path of the broker program";
        return std::nullopt;
      }
      options.brokerPath = std::move(value);
    } else if (MatchValueOption(args, i, u"--script", value, missing)) {
      if (missing || value.empty()) {
        error = "--script needs a file name, or - for standard input";
        return std::nullopt;
      }
      options.scriptPath = std::move(value);
    } else if (word.size() > 1 && word[0] == u'-' && word != u"-") {
      error = "unknown option '" + Utf16ToUtf8(word) + "'; try --help";
      return std::nullopt;
    } else {
      break;
    }
  }
  options.commandWords.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  const std::vector<std::u16string>& words = options.commandWords;
  if (!words.empty() && words[0] == u"help") {
    if (words.size() > 2) {
      error = "help takes at most one command name";
      return std::nullopt;
    }
    options.help = true;
    if (words.size() == 2) options.helpCommand = words[1];
  } else if (!words.empty()) {
    // Only --help: "-h" or "/?" may well be a value name or a path.
    for (size_t w = 1; w < words.size() && words[w] != u"--"; ++w) {
      if (words[w] == u"--help") options.help = true;
    }
    if (options.help) options.helpCommand = words[0];
  }
  if (options.help || options.version) return options;
  if (options.scriptPath && !options.commandWords.empty()) {
    error = "give either a command or --script, not both";
    return std::nullopt;
  }
  if (!options.scriptPath && options.commandWords.empty()) {
    error = "no command given; try --help";
    return std::nullopt;
  }
  return options;
}

}  // namespace corvane::cli
