#include "plugin/cli/script_reader.h"

#include "plugin/cli/utf_convert.h"

namespace corvane::cli {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v';
}

}  // namespace

client::Result<std::vector<std::u16string>, std::string> SplitWords(std::u16string_view line) {
  std::vector<std::u16string> words;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == u'#') break;
    std::u16string word;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      const char16_t c = line[i];
      if (c != u'"') {
        word.push_back(c);
        ++i;
      } else if (!quoted) {
        quoted = true;
        ++i;
      } else if (i + 1 < line.size() && line[i + 1] == u'"') {
        word.push_back(u'"');
        i += 2;
      } else {
        quoted = false;
        ++i;
      }
    }
    if (quoted) return std::string("missing closing quote");
    words.push_back(std::move(word));
  }
  return words;
}

std::u16string QuoteWord(std::u16string_view word) {
  bool needsQuotes = word.empty() || word[0] == u'#';
  for (const char16_t c : word) {
    if (IsBlank(c) || c == u'"' || c == u'\n') needsQuotes = true;
  }
  if (!needsQuotes) return std::u16string(word);
  std::u16string quoted = u"\"";
  for (const char16_t c : word) {
    quoted.push_back(c);
    if (c == u'"') quoted.push_back(u'"');
  }
  quoted.push_back(u'"');
  return quoted;
}

Script ParseScript(std::string_view utf8Text, std::string_view sourceName) {
  Script script;
  if (utf8Text.substr(0, 3) == "\xEF\xBB\xBF") utf8Text.remove_prefix(3);
  size_t lineNumber = 0;
  while (!utf8Text.empty()) {
    ++lineNumber;
    const size_t end = utf8Text.find('\n');
    const std::string_view raw = utf8Text.substr(0, end);
    utf8Text.remove_prefix(end == std::string_view::npos ? utf8Text.size() : end + 1);

    const std::string where = std::string(sourceName) + ":" + std::to_string(lineNumber) + ": ";
    const auto line = Utf8ToUtf16(raw);
    if (!line) {
      script.errors.push_back(where + "not valid UTF-8");
      continue;
    }
    const auto words = SplitWords(*line);
    if (!words) {
      script.errors.push_back(where + words.error());
      continue;
    }
    if (words->empty()) continue;
    auto command = ParseCommand(*words);
    if (!command) {
      script.errors.push_back(where + command.error());
      continue;
    }
    script.commands.push_back(std::move(*command));
  }
  return script;
}

}  // namespace corvane::cli
