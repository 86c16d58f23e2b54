#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "protocol/decimal_text.h"
#include "protocol/nul_joined_text.h"
#include "protocol/operations.h"
#include "registry/registry_enum.h"  // ValueEntry

namespace corvane {
namespace {

using namespace std::string_literals;

TEST(FormatDecimal, PrintsUnsignedWithoutPadding) {
  EXPECT_EQ(FormatDecimal(0), u"0");
  EXPECT_EQ(FormatDecimal(7), u"7");
  EXPECT_EQ(FormatDecimal(1000), u"1000");
  EXPECT_EQ(FormatDecimal(0xFFFFFFFFu), u"4294967295");
  EXPECT_EQ(FormatDecimal(0xFFFFFFFFFFFFFFFFull), u"18446744073709551615");
}

TEST(ParseSignedDecimal, ReadsDigitsSignAndStopsAtOtherUnits) {
  EXPECT_EQ(ParseSignedDecimal(u"42"), 42);
  EXPECT_EQ(ParseSignedDecimal(u"+42"), 42);
  EXPECT_EQ(ParseSignedDecimal(u"-42"), -42);
  EXPECT_EQ(ParseSignedDecimal(u"007"), 7);
  EXPECT_EQ(ParseSignedDecimal(u"12abc"), 12);
  EXPECT_EQ(ParseSignedDecimal(u"12 34"), 12);
  EXPECT_EQ(ParseSignedDecimal(u"0x10"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"1.9"), 1);
  EXPECT_EQ(ParseSignedDecimal(u"5\0"
                               u"9"s),
            5);
}

TEST(ParseSignedDecimal, NoDigitsGiveZero) {
  EXPECT_EQ(ParseSignedDecimal(u""), 0);
  EXPECT_EQ(ParseSignedDecimal(u"abc"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"-"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"+-5"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"--5"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"- 5"), 0);
  EXPECT_EQ(ParseSignedDecimal(u"   "), 0);
}

TEST(ParseSignedDecimal, SkipsOnlyTheCLocaleWhiteSpace) {
  EXPECT_EQ(ParseSignedDecimal(u" \t\n\v\f\r-17"), -17);
  EXPECT_EQ(ParseSignedDecimal(u"\u00A0"
                               u"17"),
            0);  // no-break space
  EXPECT_EQ(ParseSignedDecimal(u"\u3000"
                               u"17"),
            0);  // ideographic space
  EXPECT_EQ(ParseSignedDecimal(u"\0"
                               u"17"s),
            0);
  EXPECT_EQ(ParseSignedDecimal(u"\uFF11\uFF12"), 0);  // fullwidth digits are not digits
}

TEST(ParseSignedDecimal, ClampsToTheSixtyFourBitRange) {
  EXPECT_EQ(ParseSignedDecimal(u"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ParseSignedDecimal(u"9223372036854775808"), INT64_MAX);
  EXPECT_EQ(ParseSignedDecimal(u"99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(ParseSignedDecimal(u"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ParseSignedDecimal(u"-9223372036854775809"), INT64_MIN);
  EXPECT_EQ(ParseSignedDecimal(u"-18446744073709551616"), INT64_MIN);
  EXPECT_EQ(ParseSignedDecimal(u"18446744073709551616"), INT64_MAX);
}

TEST(ParseSignedDecimal, LowThirtyTwoBitsAsTheDwordWriteStoresThem) {
  auto low32 = [](std::u16string_view text) {
    return static_cast<uint32_t>(static_cast<uint64_t>(ParseSignedDecimal(text)));
  };
  EXPECT_EQ(low32(u"4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(low32(u"-1"), 0xFFFFFFFFu);
  EXPECT_EQ(low32(u"4294967296"), 0u);
  EXPECT_EQ(low32(u"letters"), 0u);
  EXPECT_EQ(low32(u"99999999999999999999"), 0xFFFFFFFFu);
}

TEST(ParseUnsignedDecimal, ReadsNegatesAndSaturates) {
  EXPECT_EQ(ParseUnsignedDecimal(u"18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(ParseUnsignedDecimal(u"18446744073709551616"), UINT64_MAX);
  EXPECT_EQ(ParseUnsignedDecimal(u"184467440737095516150"), UINT64_MAX);
  EXPECT_EQ(ParseUnsignedDecimal(u"-1"), UINT64_MAX);
  EXPECT_EQ(ParseUnsignedDecimal(u"-2"), UINT64_MAX - 1);
  EXPECT_EQ(ParseUnsignedDecimal(u"-18446744073709551615"), 1u);
  EXPECT_EQ(ParseUnsignedDecimal(u"-18446744073709551616"), UINT64_MAX);
  EXPECT_EQ(ParseUnsignedDecimal(u"-0"), 0u);
  EXPECT_EQ(ParseUnsignedDecimal(u"\t+12x"), 12u);
  EXPECT_EQ(ParseUnsignedDecimal(u"x12"), 0u);
  EXPECT_EQ(ParseUnsignedDecimal(u""), 0u);
}

// The codes themselves are pinned by docs/protocol.md (tests/protocol) and
// the SDK's constants; here the lookup finds exactly the table's rows.
TEST(OperationTable, EveryAssignedCodeHasItsRowAndNoOtherCodeHasOne) {
  for (uint32_t code = 0; code <= 40; ++code) {
    SCOPED_TRACE(code);
    const OperationInfo* row = FindOperation(code);
    const bool assigned =
        std::any_of(std::begin(kOperations), std::end(kOperations),
                    [&](const OperationInfo& r) { return OperationCode(r.code) == code; });
    ASSERT_EQ(row != nullptr, assigned);
    if (row != nullptr) {
      EXPECT_EQ(OperationCode(row->code), code);
    }
  }
  EXPECT_EQ(FindOperation(0xFFFFFFFFu), nullptr);
  EXPECT_EQ(Operation(BrokerOperation::CopyKeyTree).name, "copy-tree");
}

TEST(DigitReading, StopsAtTheFirstOtherUnitAndHoldsAtTheLimit) {
  DigitRun run = ReadDigits(u"12ab", 1000);
  EXPECT_EQ(run.length, 2u);
  EXPECT_EQ(run.value, 12u);
  EXPECT_FALSE(run.overflow);
  run = ReadDigits(u"12ab", 0xFFFF, 16);
  EXPECT_EQ(run.length, 4u);
  EXPECT_EQ(run.value, 0x12abu);
  run = ReadDigits(u"1001x", 1000);
  EXPECT_EQ(run.length, 4u);
  EXPECT_EQ(run.value, 1000u);
  EXPECT_TRUE(run.overflow);
  uint64_t value = 7;
  EXPECT_FALSE(ReadWholeDigits(u"", 10, value));
  EXPECT_FALSE(ReadWholeDigits(u"1 ", 10, value));
  EXPECT_FALSE(ReadWholeDigits(u"11", 10, value));
  EXPECT_EQ(value, 7u);
  EXPECT_TRUE(ReadWholeDigits(u"10", 10, value));
  EXPECT_EQ(value, 10u);
}

TEST(JoinWithNul, EveryElementIsFollowedByOneNul) {
  EXPECT_EQ(JoinWithNul(std::vector<std::u16string>{}), u"");
  EXPECT_EQ(JoinWithNul(std::vector<std::u16string>{u"A", u"B"}), u"A\0B\0"s);
  EXPECT_EQ(JoinWithNul(std::vector<std::u16string>{u""}), u"\0"s);
}

TEST(JoinWithNul, ValueEntriesGiveNameThenText) {
  EXPECT_EQ(JoinWithNul(std::vector<ValueEntry>{}), u"");
  const std::vector<ValueEntry> entries = {{u"", u"default"}, {u"n", u""}, {u"s", u"text"}};
  EXPECT_EQ(JoinWithNul(entries), u"\0default\0n\0\0s\0text\0"s);
}

}  // namespace
}  // namespace corvane
