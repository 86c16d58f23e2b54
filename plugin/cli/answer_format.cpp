#include "plugin/cli/answer_format.h"

#include <vector>

#include "plugin/cli/script_reader.h"
#include "plugin/cli/utf_convert.h"
#include "plugin/client/request_frames.h"
#include "plugin/client/value_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"

namespace corvane::cli {
namespace {

constexpr size_t kHexBytesPerLine = 32;

std::string Hex(uint64_t value, bool upper, size_t minDigits) {
  std::string out;
  do {
    out.insert(out.begin(), HexDigit(static_cast<unsigned>(value), upper));
    value >>= 4;
  } while (value != 0);
  if (out.size() < minDigits) out.insert(0, minDigits - out.size(), '0');
  return out;
}

std::string HexEscape(uint32_t code) {
  return "\\x{" + Hex(code, true, 2) + "}";
}

bool IsReadableControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

std::string StatusLabel(int32_t status) {
  return std::string(client::StatusName(status)) + " (" + std::to_string(status) + ")";
}

std::string CountOf(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A script line as echoed: its quoting is the script's own ("" for a quote),
// so only control characters are escaped.
std::string WithVisibleControls(std::u16string_view text) {
  return Utf16ToUtf8Escaped(text, {{u'\0', "\\0"}, {u'\t', "\\t"}, {u'\n', "\\n"}, {u'\r', "\\r"}},
                            IsReadableControl, [](char16_t c) { return HexEscape(c); });
}

std::string QuotedText(std::u16string_view text) {
  return "\"" + ReadableText(text) + "\"";
}

std::string ValueName(std::u16string_view name) {
  return name.empty() ? "(default)" : ReadableText(name);
}

// The decimal text of a number answer, also in hexadecimal; nothing if the
// text is not a plain unsigned decimal.
std::string NumberText(std::u16string_view text) {
  const auto value = client::ParseDecimal(text, ~uint64_t{0});
  if (!value) return {};
  return std::to_string(*value) + " (0x" + Hex(*value, false, 1) + ")";
}

std::string FormatFileContents(const std::string& head, std::u16string_view text) {
  const auto bytes = client::HexToBytes(text);
  if (!bytes) return head + ": " + QuotedText(text) + "\n";
  std::string out = head + ": " + CountOf(bytes->size(), "byte", "bytes") + "\n";
  for (size_t i = 0; i < text.size(); i += kHexBytesPerLine * 2) {
    out += "  " + Utf16ToUtf8(text.substr(i, kHexBytesPerLine * 2)) + "\n";
  }
  return out;
}

}  // namespace

std::string ReadableText(std::u16string_view text) {
  // The escape character and the quote are escaped too, so that a text's
  // own "\n" or '"' cannot be taken for an escape or the closing quote.
  return Utf16ToUtf8Escaped(text,
                            {{u'\0', "\\0"},
                             {u'\t', "\\t"},
                             {u'\n', "\\n"},
                             {u'\r', "\\r"},
                             {u'\\', "\\\\"},
                             {u'"', "\\\""}},
                            IsReadableControl, [](char16_t c) { return HexEscape(c); });
}

std::string FormatEcho(const CliCommand& command) {
  std::u16string line = u">";
  for (const std::u16string& word : command.words) {
    line += u' ';
    line += QuoteWord(word);
  }
  return WithVisibleControls(line) + "\n";
}

std::string FormatAnswer(OkText form, int32_t status, std::u16string_view text) {
  const std::string head = StatusLabel(status);
  if (status != 0) {
    // Failed requests carry no text; show one if it ever comes.
    return text.empty() ? head + "\n" : head + ": " + QuotedText(text) + "\n";
  }
  switch (form) {
    case OkText::Empty:
      return text.empty() ? head + "\n" : head + ": " + QuotedText(text) + "\n";
    case OkText::Text:
    case OkText::Pong:
      return head + ": " + QuotedText(text) + "\n";
    case OkText::Decimal32:
    case OkText::Decimal64: {
      const std::string number = NumberText(text);
      return head + ": " + (number.empty() ? QuotedText(text) : number) + "\n";
    }
    case OkText::NulList: {
      const auto items = SplitAtNul(text);
      std::string out = head + ": " + CountOf(items.size(), "entry", "entries") + "\n";
      for (const auto& item : items) out += "  " + ReadableText(item) + "\n";
      return out;
    }
    case OkText::NulPairs: {
      const auto items = SplitAtNul(text);
      const size_t pairs = (items.size() + 1) / 2;
      std::string out = head + ": " + CountOf(pairs, "value", "values") + "\n";
      for (size_t i = 0; i < items.size(); i += 2) {
        std::string line = "  " + ValueName(items[i]) + " =";
        if (i + 1 < items.size() && !items[i + 1].empty()) line += " " + ReadableText(items[i + 1]);
        out += line + "\n";
      }
      return out;
    }
    case OkText::HexBytes:
      return FormatFileContents(head, text);
  }
  return head + "\n";
}

std::string FormatSavedContents(int32_t status, size_t byteCount, std::u16string_view localFile) {
  return StatusLabel(status) + ": " + CountOf(byteCount, "byte", "bytes") + " written to " +
         WithVisibleControls(localFile) + "\n";
}

std::string FormatChannelReply(uint32_t error, uint64_t handle, uint32_t processId) {
  const std::string head = "error " + std::to_string(error) + ", ";
  if (handle == ~0ull) return head + "no handle (for process " + std::to_string(processId) + ")\n";
  return head + "handle 0x" + Hex(handle, false, 1) + " in process " + std::to_string(processId) +
         "\n";
}

std::string FormatKeepAliveSent() {
  return "sent (the broker does not answer keep-alive)\n";
}

std::string FormatDiagnostic(std::string_view output) {
  std::string out;
  while (!output.empty()) {
    size_t end = output.find('\n');
    std::string_view line = output.substr(0, end);
    output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string readable;
    for (const char c : line) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x20 || b == 0x7F) {
        readable += b == '\t' ? std::string("\\t") : HexEscape(b);
      } else {
        readable.push_back(c);
      }
    }
    out += "broker: " + readable + "\n";
  }
  return out;
}

}  // namespace corvane::cli
