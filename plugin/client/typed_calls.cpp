#include "plugin/client/typed_calls.h"

#include <utility>

#include "protocol/decimal_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"

namespace corvane::client::detail {

std::u16string FieldText(std::u16string text) {
  return text;
}

std::u16string FieldText(uint32_t number) {
  return FormatDecimal(number);
}

std::u16string FieldText(uint64_t number) {
  return FormatDecimal(number);
}

std::u16string FieldText(const Bytes& bytes) {
  return HexText::Encode(bytes);
}

bool ReadOkText(std::u16string& text, std::u16string& out) {
  out = std::move(text);
  return true;
}

bool ReadOkText(std::u16string& text, uint32_t& out) {
  uint64_t value = 0;
  if (!ReadWholeDigits(text, 0xFFFFFFFFu, value)) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

bool ReadOkText(std::u16string& text, uint64_t& out) {
  return ReadWholeDigits(text, ~uint64_t{0}, out);
}

bool ReadOkText(std::u16string& text, std::vector<std::u16string>& out) {
  out = SplitAtNul(text);
  return true;
}

bool ReadOkText(std::u16string& text, std::vector<ValueItem>& out) {
  std::vector<std::u16string> items = SplitAtNul(text);
  if (items.size() % 2 != 0) return false;
  for (size_t i = 0; i < items.size(); i += 2) {
    out.push_back(ValueItem{std::move(items[i]), std::move(items[i + 1])});
  }
  return true;
}

bool ReadOkText(std::u16string& text, Bytes& out) {
  return HexText::Decode(text, out);
}

Result<int32_t> StatusOf(Result<Reply> reply) {
  if (!reply) return reply.error();
  return reply->status;
}

ClientError WrongForm() {
  return {ErrorKind::Malformed, "the reply text has the wrong form"};
}

}  // namespace corvane::client::detail
