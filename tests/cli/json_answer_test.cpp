// --json: the objects a script reads, one a line, for every answer shape.
#include "plugin/cli/json_answer.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane::cli {
namespace {

using namespace std::string_literals;

CliCommand Command(const std::string& name, uint32_t operation, OkText shape) {
  CliCommand command;
  command.words = {std::u16string(name.begin(), name.end())};
  command.operation = operation;
  command.shape = shape;
  return command;
}

TEST(JsonAnswer, StringsAreEscapedAndNothingIsLost) {
  EXPECT_EQ(JsonString(u"C:\\x \"q\""), R"("C:\\x \"q\"")");
  EXPECT_EQ(JsonString(u"a\0b\tc\nd\re\u001F\u007F"s), R"("a\u0000b\tc\nd\re\u001f\u007f")");
  EXPECT_EQ(JsonString(u"h\u00E9 \U0001F600"), "\"h\xC3\xA9 \xF0\x9F\x98\x80\"");
  // An unpaired surrogate has no UTF-8 form: its escape keeps it.
  EXPECT_EQ(JsonString(std::u16string(1, char16_t(0xD800)) + u"x" + char16_t(0xDC01)),
            R"("\ud800x\udc01")");
}

TEST(JsonAnswer, EveryShapeGivesOneObjectALine) {
  const struct {
    CliCommand command;
    int32_t status;
    std::u16string text;
    std::string json;
  } kCases[] = {
      {Command("ping", 11, OkText::Pong), 0, u"pong",
       R"({"operation":"ping","code":11,"status":0,"status_name":"Ok","text":"pong"})"},
      {Command("write-dword", 4, OkText::Empty), 2, u"",
       R"({"operation":"write-dword","code":4,"status":2,"status_name":"Denied"})"},
      {Command("read-qword", 12, OkText::Decimal64), 0, u"18446744073709551615",
       R"({"operation":"read-qword","code":12,"status":0,"status_name":"Ok",)"
       R"("value":18446744073709551615,"text":"18446744073709551615"})"},
      {Command("read-dword", 3, OkText::Decimal32), 0, u"12a",
       R"({"operation":"read-dword","code":3,"status":0,"status_name":"Ok","text":"12a"})"},
      {Command("list-subkeys", 9, OkText::NulList), 0, u"A\0B\0"s,
       R"({"operation":"list-subkeys","code":9,"status":0,"status_name":"Ok","values":["A","B"]})"},
      {Command("list-values", 10, OkText::NulPairs), 0, u"\0x\0n\0\0"s,
       R"({"operation":"list-values","code":10,"status":0,"status_name":"Ok",)"
       R"("values":[{"name":"","text":"x"},{"name":"n","text":""}]})"},
      {Command("file-read", 14, OkText::HexBytes), 0, u"00ff",
       R"({"operation":"file-read","code":14,"status":0,"status_name":"Ok","bytes":2,"text":"00ff"})"},
      {Command("read-string", 1, OkText::Text), 1, u"",
       R"({"operation":"read-string","code":1,"status":1,"status_name":"NotFound"})"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(JsonAnswer(c.command, c.status, c.text), c.json + "\n");
  }
  EXPECT_EQ(JsonSavedContents(Command("file-read", 14, OkText::HexBytes), 0, 3, u"C:\\o"),
            R"({"operation":"file-read","code":14,"status":0,"status_name":"Ok","bytes":3,)"
            R"("saved_to":"C:\\o"})"
            "\n");
  EXPECT_EQ(JsonChannelReply(0, 0x1c4, 7),
            R"({"operation":"plugin-channel","error":0,"handle":452,"process_id":7})"
            "\n");
  EXPECT_EQ(JsonChannelReply(87, ~0ull, 7),
            R"({"operation":"plugin-channel","error":87,"handle":null,"process_id":7})"
            "\n");
  EXPECT_EQ(JsonStartFailed("cannot start the broker 'C:\\b.exe': \"x\""),
            R"({"operation":"start","status_name":"StartFailed",)"
            R"("message":"cannot start the broker 'C:\\b.exe': \"x\""})"
            "\n");
  EXPECT_EQ(JsonKeepAliveSent(), R"({"operation":"keep-alive","sent":true})"
                                 "\n");
}

}  // namespace
}  // namespace corvane::cli
