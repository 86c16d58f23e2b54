#include "protocol/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ipc/encoder.h"

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

// Contents read straight into their text's storage come out as Encode makes
// them, whatever size the storage was and whatever it held; storage large
// enough is reused, and any other is made with the room asked for.
TEST(HexText, EncodingInPlaceMatchesEncode) {
  const std::u16string previous(20000, u'p');
  for (size_t size : {size_t{0}, size_t{1}, size_t{3}, size_t{2047}, size_t{2048}, size_t{2049},
                      size_t{4097}, size_t{9999}}) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    for (const std::u16string* start : {static_cast<const std::u16string*>(nullptr), &previous}) {
      std::u16string text = start != nullptr ? *start : std::u16string();
      const char16_t* storage = text.data();
      const bool roomy = text.capacity() >= 2 * size + ipc::kFrameRoomUnits;
      uint8_t* into = HexText::PlaceBytes(text, size, ipc::kFrameRoomUnits);
      if (size != 0) std::memcpy(into, bytes.data(), size);
      HexText::EncodeInPlace(text);
      EXPECT_TRUE(text == HexText::Encode(bytes)) << size;
      EXPECT_EQ(text.data() == storage, roomy) << size;
      EXPECT_GE(text.capacity(), 2 * size + ipc::kFrameRoomUnits) << size;
    }
  }
}

TEST(HexText, DecodesEitherCase) {
  std::vector<uint8_t> bytes{1, 2, 3};
  ASSERT_TRUE(HexText::Decode(u"00ABff", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xAB, 0xFF}));
  ASSERT_TRUE(HexText::Decode(u"aAbBcCdDeEfF", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));
  ASSERT_TRUE(HexText::Decode(u"", bytes));
  EXPECT_TRUE(bytes.empty());
  // Over several chunks of the decoder, into storage that held more.
  std::vector<uint8_t> many(10001);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i * 7 + i / 251);
  bytes.assign(20000, 9);
  ASSERT_TRUE(HexText::Decode(HexText::Encode(many), bytes));
  EXPECT_EQ(bytes, many);
  // In the text's own storage, a file write's way: the same bytes.
  for (std::u16string text : {std::u16string(u"00ABff"), HexText::Encode(many)}) {
    std::vector<uint8_t> expected;
    ASSERT_TRUE(HexText::Decode(text, expected));
    const auto inPlace = HexText::DecodeInPlace(text);
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(std::vector<uint8_t>(inPlace->begin(), inPlace->end()), expected);
  }
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
      u"`0",            // neighbours of the digit ranges
      u"\u0130\u0161",  // a digit and a letter in the low byte
      u"\u0080\uffff",
      std::u16string(20000, u'0') + u"0g",  // in a later chunk
  };
  for (const auto& text : rejected) {
    std::vector<uint8_t> bytes{9, 9};
    EXPECT_FALSE(HexText::Decode(text, bytes)) << text.size();
    EXPECT_TRUE(bytes.empty());
    std::u16string spent = text;
    EXPECT_FALSE(HexText::DecodeInPlace(spent)) << text.size();
  }
}

}  // namespace
