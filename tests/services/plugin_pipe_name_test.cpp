// The plug-in pipe name: the same text as a "%x" formatting of each number.
#include "services/plugin_pipe_name.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace {

std::wstring Formatted(uint32_t a, uint32_t b, uint32_t c) {
  wchar_t name[corvane::kPluginPipeNameSize];
  corvane::FormatPluginPipeName(name, a, b, c);
  return name;
}

std::wstring Expected(uint32_t a, uint32_t b, uint32_t c) {
  wchar_t name[64];
  swprintf(name, 64, L"\\\\.\\pipe\\ko.%x.%x.%x", a, b, c);
  return name;
}

TEST(PluginPipeName, SmallNumbersHaveNoLeadingZeros) {
  EXPECT_EQ(Formatted(0, 0, 1), L"\\\\.\\pipe\\ko.0.0.1");
  EXPECT_EQ(Formatted(0x1a2b, 0x10, 0xf), L"\\\\.\\pipe\\ko.1a2b.10.f");
}

TEST(PluginPipeName, LongestNameFitsAndIsLowerCase) {
  const std::wstring name = Formatted(0xFFFFFFFFu, 0xABCDEF01u, 0x80000000u);
  EXPECT_EQ(name, L"\\\\.\\pipe\\ko.ffffffff.abcdef01.80000000");
  EXPECT_LT(name.size(), corvane::kPluginPipeNameSize);
}

TEST(PluginPipeName, MatchesHexFormattingAcrossDigitCounts) {
  for (uint32_t shift = 0; shift < 32; ++shift) {
    const uint32_t one = 1u << shift;
    const uint32_t values[] = {one, one - 1u, one | 0x5u, ~one, one * 0x9u};
    for (uint32_t v : values) {
      EXPECT_EQ(Formatted(v, ~v, v ^ 0xA5A5A5A5u), Expected(v, ~v, v ^ 0xA5A5A5A5u)) << v;
    }
  }
}

}  // namespace
