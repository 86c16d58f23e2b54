// The system's own words for an error code, for messages that name what
// failed and why. Windows only; header-only, over the tool's one UTF-8
// conversion (utf_convert.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "plugin/cli/utf_convert.h"
#include "win/wide_text.h"

namespace corvane::cli {

// "The system cannot find the file specified. (error 2)"; the code alone
// when the system has no text for it.
inline std::string SystemMessage(DWORD code) {
  struct LocalFreer {
    void operator()(wchar_t* p) const { LocalFree(p); }
  };
  wchar_t* raw = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreer> buffer(raw);
  int end = buffer ? static_cast<int>(length) : 0;
  while (end > 0 && (raw[end - 1] == L'\r' || raw[end - 1] == L'\n' || raw[end - 1] == L' ')) {
    --end;
  }
  if (end <= 0) return "system error " + std::to_string(code);
  const std::string text =
      Utf16ToUtf8(std::u16string_view(win::Utf16(raw), static_cast<size_t>(end)));
  return text + " (error " + std::to_string(code) + ")";
}

}  // namespace corvane::cli
