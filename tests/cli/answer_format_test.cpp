#include "plugin/cli/answer_format.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/cli/utf_convert.h"

namespace corvane::cli {
namespace {

using namespace std::string_literals;

TEST(AnswerText, ControlCharactersAreMadeVisible) {
  EXPECT_EQ(ReadableText(u"plain"), "plain");
  // The escape character and the quote themselves, so that nothing reads as an escape.
  EXPECT_EQ(ReadableText(u"C:\\x \"q\" \\n"), "C:\\\\x \\\"q\\\" \\\\n");
  EXPECT_EQ(ReadableText(u"a\0b\tc\nd\re"s), "a\\0b\\tc\\nd\\re");
  EXPECT_EQ(ReadableText(u"\u0001\u007F\u009F"), "\\x{01}\\x{7F}\\x{9F}");
  EXPECT_EQ(ReadableText(u"h\u00E9 \u20AC \U0001F600"), "h\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(ReadableText(std::u16string(1, char16_t(0xD800)) + u"x"), "\\x{D800}x");
  EXPECT_EQ(ReadableText(std::u16string(1, char16_t(0xDC00))), "\\x{DC00}");
}

TEST(AnswerLayout, StatusShowsNameAndCode) {
  EXPECT_EQ(FormatAnswer(OkText::Empty, 0, u""), "Ok (0)\n");
  EXPECT_EQ(FormatAnswer(OkText::Text, 1, u""), "NotFound (1)\n");
  EXPECT_EQ(FormatAnswer(OkText::NulList, 2, u""), "Denied (2)\n");
  EXPECT_EQ(FormatAnswer(OkText::Empty, 9, u""), "Unknown (9)\n");
  EXPECT_EQ(FormatAnswer(OkText::Empty, -1, u"odd"), "Unknown (-1): \"odd\"\n");
}

TEST(AnswerLayout, TextsAndNumbers) {
  EXPECT_EQ(FormatAnswer(OkText::Pong, 0, u"pong"), "Ok (0): \"pong\"\n");
  EXPECT_EQ(FormatAnswer(OkText::Text, 0, u""), "Ok (0): \"\"\n");
  EXPECT_EQ(FormatAnswer(OkText::Decimal32, 0, u"4294967295"), "Ok (0): 4294967295 (0xffffffff)\n");
  EXPECT_EQ(FormatAnswer(OkText::Decimal64, 0, u"18446744073709551615"),
            "Ok (0): 18446744073709551615 (0xffffffffffffffff)\n");
  // Anything else is shown as it came.
  EXPECT_EQ(FormatAnswer(OkText::Decimal32, 0, u"12a"), "Ok (0): \"12a\"\n");
}

TEST(AnswerLayout, ListsOneEntryPerLine) {
  EXPECT_EQ(FormatAnswer(OkText::NulList, 0, u"A\0B\0"s), "Ok (0): 2 entries\n  A\n  B\n");
  EXPECT_EQ(FormatAnswer(OkText::NulList, 0, u"Only\0"s), "Ok (0): 1 entry\n  Only\n");
  EXPECT_EQ(FormatAnswer(OkText::NulList, 0, u""), "Ok (0): 0 entries\n");
  // A last entry without its terminator is still shown.
  EXPECT_EQ(FormatAnswer(OkText::NulList, 0, u"A\0B"s), "Ok (0): 2 entries\n  A\n  B\n");

  EXPECT_EQ(FormatAnswer(OkText::NulPairs, 0, u"Greeting\0hello\0Count\0\0\0dflt\0"s),
            "Ok (0): 3 values\n  Greeting = hello\n  Count =\n  (default) = dflt\n");
  EXPECT_EQ(FormatAnswer(OkText::NulPairs, 0, u""), "Ok (0): 0 values\n");
  EXPECT_EQ(FormatAnswer(OkText::NulPairs, 0, u"Lonely\0"s), "Ok (0): 1 value\n  Lonely =\n");
  EXPECT_EQ(FormatAnswer(OkText::NulPairs, 0, u"Tab\0a\tb\0"s), "Ok (0): 1 value\n  Tab = a\\tb\n");
}

TEST(AnswerLayout, FileContentsAsHexLines) {
  EXPECT_EQ(FormatAnswer(OkText::HexBytes, 0, u""), "Ok (0): 0 bytes\n");
  EXPECT_EQ(FormatAnswer(OkText::HexBytes, 0, u"00abff"), "Ok (0): 3 bytes\n  00abff\n");
  const std::u16string hex40(80, u'a');  // 40 bytes: one full line of 32 and 8 more
  EXPECT_EQ(FormatAnswer(OkText::HexBytes, 0, hex40),
            "Ok (0): 40 bytes\n  " + std::string(64, 'a') + "\n  " + std::string(16, 'a') + "\n");
  EXPECT_EQ(FormatAnswer(OkText::HexBytes, 0, u"abc"), "Ok (0): \"abc\"\n");
  EXPECT_EQ(FormatSavedContents(0, 3, u"out.bin"), "Ok (0): 3 bytes written to out.bin\n");
}

TEST(AnswerLayout, PluginChannelReplies) {
  EXPECT_EQ(FormatChannelReply(0, 0x1c4, 42), "error 0, handle 0x1c4 in process 42\n");
  EXPECT_EQ(FormatChannelReply(0, ~0ull, 42), "error 0, no handle (for process 42)\n");
  EXPECT_EQ(FormatChannelReply(231, ~0ull, 7), "error 231, no handle (for process 7)\n");
}

TEST(AnswerLayout, EchoQuotesWhatAScriptWouldQuote) {
  CliCommand command;
  command.words = {u"write-string", u"hkcu", u"Software\\Corvane", u"", u"two words"};
  EXPECT_EQ(FormatEcho(command), "> write-string hkcu Software\\Corvane \"\" \"two words\"\n");
}

TEST(DiagnosticLines, EachLineIsPrefixed) {
  EXPECT_EQ(FormatDiagnostic("[CorvaneBroker] denied: write to read-only hive\n"),
            "broker: [CorvaneBroker] denied: write to read-only hive\n");
  EXPECT_EQ(FormatDiagnostic("one\r\ntwo"), "broker: one\nbroker: two\n");
  EXPECT_EQ(FormatDiagnostic("a\x01"
                             "b\tc"),
            "broker: a\\x{01}b\\tc\n");
  EXPECT_EQ(FormatDiagnostic(""), "");
}

TEST(Utf, ConversionsRoundTripAndRefuseMalformedInput) {
  const std::u16string text = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_FALSE(Utf8ToUtf16("\xC0\xAF"));          // overlong
  EXPECT_FALSE(Utf8ToUtf16("\xED\xA0\x80"));      // encoded surrogate
  EXPECT_FALSE(Utf8ToUtf16("\xE2\x82"));          // cut short
  EXPECT_FALSE(Utf8ToUtf16("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDFFF))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace corvane::cli
