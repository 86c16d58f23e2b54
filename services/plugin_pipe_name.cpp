#include "services/plugin_pipe_name.h"

#include "protocol/hex_text.h"

namespace corvane {

namespace {

wchar_t* AppendText(wchar_t* out, const wchar_t* text) {
  while (*text != L'\0') *out++ = *text++;
  return out;
}

wchar_t* AppendHex(wchar_t* out, uint32_t value) {
  wchar_t digits[8];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(HexDigit(value));
    value >>= 4;
  } while (value != 0);
  while (count != 0) *out++ = digits[--count];
  return out;
}

}  // namespace

void FormatPluginPipeName(wchar_t (&name)[kPluginPipeNameSize], uint32_t brokerId, uint32_t tick,
                          uint32_t number) {
  wchar_t* out = AppendText(name, L"\\\\.\\pipe\\ko.");
  out = AppendHex(out, brokerId);
  *out++ = L'.';
  out = AppendHex(out, tick);
  *out++ = L'.';
  out = AppendHex(out, number);
  *out = L'\0';
}

}  // namespace corvane
