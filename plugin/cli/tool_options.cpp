#include "plugin/cli/tool_options.h"

#include <string_view>

#include "plugin/cli/utf_convert.h"

namespace corvane::cli {
namespace {

// The value of "--name VALUE" or "--name=VALUE" at `args[i]`, empty when
// there is none; nothing for any other word.
std::optional<std::u16string> ValueOption(const std::vector<std::u16string>& args, size_t& i,
                                          std::u16string_view name) {
  const std::u16string_view word = args[i];
  if (word == name) return i + 1 < args.size() ? args[++i] : std::u16string();
  if (word.size() > name.size() && word.substr(0, name.size()) == name &&
      word[name.size()] == u'=') {
    return std::u16string(word.substr(name.size() + 1));
  }
  return std::nullopt;
}

bool IsHelpWord(std::u16string_view word) {
  return word == u"--help" || word == u"-h" || word == u"/?";
}

}  // namespace

client::Result<ToolOptions, std::string> ParseToolOptions(const std::vector<std::u16string>& args) {
  ToolOptions options;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::u16string_view word = args[i];
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
    } else if (auto broker = ValueOption(args, i, u"--broker")) {
      if (broker->empty()) return std::string("--broker needs the path of the broker program");
      options.brokerPath = std::move(*broker);
    } else if (auto script = ValueOption(args, i, u"--script")) {
      if (script->empty())
        return std::string("--script needs a file name, or - for standard input");
      options.scriptPath = std::move(*script);
    } else if (word.size() > 1 && word[0] == u'-' && word != u"-") {
      return "unknown option '" + Utf16ToUtf8(word) + "'; try --help";
    } else {
      break;
    }
  }
  options.commandWords.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  const std::vector<std::u16string>& words = options.commandWords;
  if (!words.empty() && words[0] == u"help") {
    if (words.size() > 2) return std::string("help takes at most one command name");
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
    return std::string("give either a command or --script, not both");
  }
  if (!options.scriptPath && options.commandWords.empty()) {
    return std::string("no command given; try --help");
  }
  return options;
}

}  // namespace corvane::cli
