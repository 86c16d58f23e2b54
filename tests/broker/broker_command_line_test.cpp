#include "broker/broker_command_line.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::optional<BrokerCommandLine> Parse(std::u16string_view line) {
  return ParseBrokerCommandLine(line);
}

TEST(BrokerCommandLine, TakesIpcValueAndProcessIdAfterProgramPath) {
  const auto parsed = Parse(u"\"C:\\x\\corvane-broker.exe\" --ipc=abc --proc=1234");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->ipcValue, u"abc");
  EXPECT_EQ(parsed->processId, 1234u);
  EXPECT_EQ(BrokerPipeName(parsed->ipcValue), u"\\\\.\\pipe\\abc");
}

TEST(BrokerCommandLine, IpcValueIsTakenAsItIs) {
  auto parsed = Parse(u"b --ipc=a b --proc=7");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->ipcValue, u"a b");
  EXPECT_EQ(parsed->processId, 7u);

  parsed = Parse(u"b --ipc= --proc=7");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->ipcValue, u"");
  EXPECT_EQ(BrokerPipeName(parsed->ipcValue), u"\\\\.\\pipe\\");

  // The first " --proc=" after " --ipc=" ends the value.
  parsed = Parse(u"b --ipc=\"q\" --proc=1 --proc=2");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->ipcValue, u"\"q\"");
  EXPECT_EQ(parsed->processId, 1u);
}

TEST(BrokerCommandLine, RefusesMissingOrMisplacedSwitches) {
  EXPECT_FALSE(Parse(u""));
  EXPECT_FALSE(Parse(u"--ipc=abc --proc=1234"));  // no blank before --ipc=
  EXPECT_FALSE(Parse(u"b --proc=1234 --ipc=abc"));
  EXPECT_FALSE(Parse(u"b --ipc=abc"));
  EXPECT_FALSE(Parse(u"b --ipc=x"));             // fewer than 8 characters follow
  EXPECT_FALSE(Parse(u"b --ipc=1234567"));       // still fewer than 8
  EXPECT_FALSE(Parse(u"b --IPC=abc --proc=1"));  // case matters
  EXPECT_FALSE(Parse(u"b --ipc=abc --proc1"));
}

TEST(BrokerCommandLine, ProcessIdConvertsLikeABase10Number) {
  EXPECT_EQ(ParseProcessId(u"1234"), 1234u);
  EXPECT_EQ(ParseProcessId(u"12abc"), 12u);
  EXPECT_EQ(ParseProcessId(u"abc"), 0u);
  EXPECT_EQ(ParseProcessId(u"0x1F"), 0u);
  EXPECT_EQ(ParseProcessId(u""), 0u);
  EXPECT_EQ(ParseProcessId(u" \t+42 "), 42u);
  EXPECT_EQ(ParseProcessId(u"- 5"), 0u);
  EXPECT_EQ(ParseProcessId(u"-1"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseProcessId(u"2147483647"), 2147483647u);
}

TEST(BrokerCommandLine, OverlongProcessIdStaysAtTheLimitInsteadOfWrapping) {
  // 4294967297 would wrap to 1.
  EXPECT_EQ(ParseProcessId(u"4294967297"), 2147483647u);
  EXPECT_EQ(ParseProcessId(u"99999999999999999999999"), 2147483647u);
  EXPECT_EQ(ParseProcessId(u"-2147483648"), 0x80000000u);
  EXPECT_EQ(ParseProcessId(u"-99999999999"), 0x80000000u);
}

}  // namespace
}  // namespace corvane
