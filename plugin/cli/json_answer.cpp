#include "plugin/cli/json_answer.h"

#include <vector>

#include "plugin/cli/utf_convert.h"
#include "plugin/client/request_frames.h"
#include "plugin/client/value_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"

namespace corvane::cli {
namespace {

std::string Escape(char16_t unit) {
  std::string out = "\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out.push_back(HexDigit(static_cast<unsigned>(unit >> shift)));
  return out;
}

bool IsJsonControl(char16_t c) {
  return c < 0x20 || c == 0x7F;
}

// The fields every request answer starts with, without the closing brace.
std::string Head(const CliCommand& command, int32_t status) {
  const std::u16string name = command.words.empty() ? std::u16string() : command.words[0];
  return "{\"operation\":" + JsonString(name) + ",\"code\":" + std::to_string(command.operation) +
         ",\"status\":" + std::to_string(status) + ",\"status_name\":\"" +
         client::StatusName(status) + "\"";  // a plain identifier
}

std::string List(const std::vector<std::u16string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i != 0) out += ",";
    out += JsonString(items[i]);
  }
  return out + "]";
}

std::string Pairs(const std::vector<std::u16string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); i += 2) {
    if (i != 0) out += ",";
    const std::u16string text = i + 1 < items.size() ? items[i + 1] : std::u16string();
    out += "{\"name\":" + JsonString(items[i]) + ",\"text\":" + JsonString(text) + "}";
  }
  return out + "]";
}

}  // namespace

std::string JsonString(std::u16string_view text) {
  const std::string inner = Utf16ToUtf8Escaped(
      text, {{u'"', "\\\""}, {u'\\', "\\\\"}, {u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}},
      IsJsonControl, Escape);
  return "\"" + inner + "\"";
}

std::string JsonAnswer(const CliCommand& command, int32_t status, std::u16string_view text) {
  std::string out = Head(command, status);
  if (status != 0) {
    // Failed requests carry no text; show one if it ever comes.
    if (!text.empty()) out += ",\"text\":" + JsonString(text);
    return out + "}\n";
  }
  switch (command.shape) {
    case OkText::Empty:
      if (!text.empty()) out += ",\"text\":" + JsonString(text);
      break;
    case OkText::Text:
    case OkText::Pong:
      out += ",\"text\":" + JsonString(text);
      break;
    case OkText::Decimal32:
    case OkText::Decimal64: {
      // The text too: a QWORD may exceed what a JSON reader's doubles hold.
      const auto value = client::ParseDecimal(text, ~uint64_t{0});
      if (value) out += ",\"value\":" + std::to_string(*value);
      out += ",\"text\":" + JsonString(text);
      break;
    }
    case OkText::NulList:
      out += ",\"values\":" + List(SplitAtNul(text));
      break;
    case OkText::NulPairs:
      out += ",\"values\":" + Pairs(SplitAtNul(text));
      break;
    case OkText::HexBytes: {
      const auto bytes = client::HexToBytes(text);
      if (bytes) out += ",\"bytes\":" + std::to_string(bytes->size());
      out += ",\"text\":" + JsonString(text);
      break;
    }
  }
  return out + "}\n";
}

std::string JsonSavedContents(const CliCommand& command, int32_t status, size_t byteCount,
                              std::u16string_view localFile) {
  return Head(command, status) + ",\"bytes\":" + std::to_string(byteCount) +
         ",\"saved_to\":" + JsonString(localFile) + "}\n";
}

std::string JsonChannelReply(uint32_t error, uint64_t handle, uint32_t processId) {
  const std::string handleText = handle == ~0ull ? "null" : std::to_string(handle);
  return "{\"operation\":\"plugin-channel\",\"error\":" + std::to_string(error) +
         ",\"handle\":" + handleText + ",\"process_id\":" + std::to_string(processId) + "}\n";
}

std::string JsonStartFailed(std::string_view message) {
  const auto text = Utf8ToUtf16(message);
  return "{\"operation\":\"start\",\"status_name\":\"StartFailed\",\"message\":" +
         JsonString(text ? *text : u"the broker could not be started") + "}\n";
}

std::string JsonKeepAliveSent() {
  return "{\"operation\":\"keep-alive\",\"sent\":true}\n";
}

}  // namespace corvane::cli
