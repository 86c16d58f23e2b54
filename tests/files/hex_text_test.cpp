#include "protocol/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using corvane::HexText;

TEST(HexText, EncodesLowerCaseHighNibbleFirst) {
  EXPECT_EQ(HexText::Encode({}), u"");
  EXPECT_EQ(HexText::Encode({0x00, 0xAB, 0xFF}), u"00abff");
  std::vector<uint8_t> all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<uint8_t>(b));
  const std::u16string text = HexText::Encode(all);
  ASSERT_EQ(text.size(), 512u);
  EXPECT_EQ(text.substr(0, 8), u"00010203");
  EXPECT_EQ(text.substr(0x5A * 2, 2), u"5a");
  EXPECT_EQ(text.substr(496), u"f8f9fafbfcfdfeff");
  std::vector<uint8_t> back;
  ASSERT_TRUE(HexText::Decode(text, back));
  EXPECT_EQ(back, all);
}

TEST(HexText, DecodesEitherCase) {
  std::vector<uint8_t> bytes{1, 2, 3};
  ASSERT_TRUE(HexText::Decode(u"00ABff", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xAB, 0xFF}));
  ASSERT_TRUE(HexText::Decode(u"aAbBcCdDeEfF", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));
  ASSERT_TRUE(HexText::Decode(u"", bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(HexText, RejectsWholeTextAndKeepsNoBytes) {
  const std::u16string rejected[] = {
      u"abc",     // odd length
      u"0",       //
      u"g0",      // not a digit, first position
      u"00ab0g",  // not a digit after good bytes
      u"0x",      // prefix
      u" 0",      // blank
      u"0 ",      //
      u"-1",      //
      std::u16string(u"00\0"
                     u"0",
                     4),  // U+0000
      u"\uff10\uff10",    // fullwidth digits
      u"\u0660\u0661",    // Arabic-Indic digits
      u"G0",
      u"0G",
      u"/0",
      u":0",
      u"@0",
      u"`0",  // neighbours of the digit ranges
  };
  for (const auto& text : rejected) {
    std::vector<uint8_t> bytes{9, 9};
    EXPECT_FALSE(HexText::Decode(text, bytes)) << text.size();
    EXPECT_TRUE(bytes.empty());
  }
}

}  // namespace
