#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/cli/script_reader.h"

namespace corvane::cli {
namespace {

using Words = std::vector<std::u16string>;

Words Split(std::u16string_view line) {
  auto words = SplitWords(line);
  EXPECT_TRUE(words) << words.error();
  return words ? *words : Words{};
}

TEST(ScriptWords, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(Split(u"  read-string\thkcu  Software\\Corvane  Name "),
            (Words{u"read-string", u"hkcu", u"Software\\Corvane", u"Name"}));
  EXPECT_EQ(Split(u"write-string hkcu k n \"two  words\""),
            (Words{u"write-string", u"hkcu", u"k", u"n", u"two  words"}));
  EXPECT_EQ(Split(u"a \"\" b"), (Words{u"a", u"", u"b"}));
  EXPECT_EQ(Split(u"\"say \"\"hi\"\"\""), (Words{u"say \"hi\""}));
  EXPECT_EQ(Split(u"pre\"fix mid\"dle"), (Words{u"prefix middle"}));
  // Backslashes are plain characters: registry and file paths need them.
  EXPECT_EQ(Split(u"\"C:\\a b\\\""), (Words{u"C:\\a b\\"}));
}

TEST(ScriptWords, CommentsEndTheLineOutsideQuotes) {
  EXPECT_TRUE(Split(u"# a comment").empty());
  EXPECT_TRUE(Split(u"   #indented").empty());
  EXPECT_TRUE(Split(u"").empty());
  EXPECT_EQ(Split(u"ping # trailing"), (Words{u"ping"}));
  EXPECT_EQ(Split(u"a \"#kept\" C#"), (Words{u"a", u"#kept", u"C#"}));

  const auto open = SplitWords(u"write-string hkcu k n \"open");
  ASSERT_FALSE(open);
  EXPECT_NE(open.error().find("quote"), std::string::npos);
}

TEST(ScriptWords, QuotingReadsBackToTheSameWords) {
  const Words tricky = {u"",     u"plain",      u"two words", u"say \"hi\"", u"#hash",
                        u"a\tb", u"C:\\path\\", u"\"",        u"x#y"};
  std::u16string line;
  for (const auto& word : tricky) line += QuoteWord(word) + u" ";
  EXPECT_EQ(Split(line), tricky);
  EXPECT_EQ(QuoteWord(u"plain"), u"plain");
}

TEST(ScriptFiles, LinesBecomeCommands) {
  const Script script = ParseScript(
      "\xEF\xBB\xBF# session\r\n"
      "ping\r\n"
      "\r\n"
      "   \n"
      "write-string hkcu Software\\Corvane Greeting \"h\xC3\xA9llo world\"\n"
      "list-subkeys hkcu Software\\Corvane",  // no newline at the end
      "session.txt");
  ASSERT_TRUE(script.errors.empty()) << script.errors.front();
  ASSERT_EQ(script.commands.size(), 3u);
  EXPECT_EQ(script.commands[0].operation, 11u);
  EXPECT_EQ(script.commands[1].data, u"h\u00E9llo world");
  EXPECT_EQ(script.commands[2].operation, 9u);
  EXPECT_EQ(script.commands[2].words.back(), u"Software\\Corvane");
}

TEST(ScriptFiles, EveryBadLineIsReportedWithItsNumber) {
  const Script script = ParseScript(
      "ping\n"
      "read-string hkcu\n"
      "# fine\n"
      "write-string hkcu k n \"unclosed\n"
      "bad\xFF utf8\n"
      "frobnicate\n"
      "ping\n",
      "<stdin>");
  ASSERT_EQ(script.errors.size(), 4u);
  EXPECT_EQ(script.errors[0].rfind("<stdin>:2: ", 0), 0u) << script.errors[0];
  EXPECT_EQ(script.errors[1].rfind("<stdin>:4: ", 0), 0u) << script.errors[1];
  EXPECT_EQ(script.errors[2], "<stdin>:5: not valid UTF-8");
  EXPECT_EQ(script.errors[3].rfind("<stdin>:6: unknown command", 0), 0u) << script.errors[3];
  EXPECT_EQ(script.commands.size(), 2u);
}

}  // namespace
}  // namespace corvane::cli
