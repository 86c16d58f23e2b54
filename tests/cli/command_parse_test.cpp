#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugin/cli/cli_command.h"
#include "plugin/cli/help_text.h"
#include "plugin/cli/script_reader.h"
#include "plugin/cli/tool_options.h"
#include "protocol/operations.h"

namespace corvane::cli {
namespace {

std::string Narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());  // ASCII only here
}

client::Result<CliCommand, std::string> Parse(std::vector<std::u16string> words,
                                              std::string* error = nullptr) {
  auto command = ParseCommand(words);
  if (!command && error != nullptr) *error = command.error();
  return command;
}

std::string OptionError(const std::vector<std::u16string>& args) {
  const auto options = ParseToolOptions(args);
  return options ? "" : options.error();
}

TEST(CommandParsing, EveryCommandNameParsesWithItsExample) {
  // The help examples are meant to be pasted into a script: each must parse.
  for (const CommandInfo& info : Commands()) {
    std::string error;
    const auto words = SplitWords(std::u16string(info.example.begin(), info.example.end()));
    ASSERT_TRUE(words) << info.name << ": " << words.error();
    ASSERT_FALSE(words->empty()) << info.name;
    EXPECT_EQ(words->front(), std::u16string(info.name.begin(), info.name.end()));
    EXPECT_TRUE(Parse(*words, &error)) << info.name << ": " << error;
  }
}

TEST(CommandParsing, EveryOperationIsTheCommandOfItsTableName) {
  for (const OperationInfo& row : kOperations) {
    SCOPED_TRACE(std::string(row.name));
    const auto found = std::find_if(Commands().begin(), Commands().end(),
                                    [&](const CommandInfo& info) { return info.name == row.name; });
    ASSERT_NE(found, Commands().end());
    std::string error;
    const auto words = SplitWords(std::u16string(found->example.begin(), found->example.end()));
    ASSERT_TRUE(words) << words.error();
    const auto command = Parse(*words, &error);
    ASSERT_TRUE(command) << error;
    EXPECT_EQ(command->operation, OperationCode(row.code));
    EXPECT_EQ(command->TakesFilePaths(), TakesFilePaths(row));
  }
}

TEST(CommandParsing, RegistryCommandsFillTheRequestFields) {
  auto c = Parse({u"write-string", u"hkcu", u"Software\\Corvane", u"Greeting", u"hi there"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->operation, 2u);
  EXPECT_EQ(c->hive, 0);
  EXPECT_EQ(c->path, u"Software\\Corvane");
  EXPECT_EQ(c->name, u"Greeting");
  EXPECT_EQ(c->data, u"hi there");
  EXPECT_FALSE(c->pluginChannel);

  c = Parse({u"copy-tree", u"hkcu", u"Software\\Corvane\\A", u"Software\\Corvane\\B"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->operation, 20u);
  EXPECT_EQ(c->path, u"Software\\Corvane\\A");
  EXPECT_EQ(c->name, u"Software\\Corvane\\B");
}

TEST(CommandParsing, NumbersAreSentAsTheBitsMeant) {
  EXPECT_EQ(ParseHive(u"hkcu"), 0);
  EXPECT_EQ(ParseHive(u"HkLm"), 1);
  EXPECT_EQ(ParseHive(u"hkey_local_machine"), 1);
  EXPECT_EQ(ParseHive(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseHive(u"0x10"), 16);
  EXPECT_EQ(ParseHive(u"4294967295"), -1);  // the same 32 bits on the wire

  // The broker reads number data as decimal and keeps the low bits, so the
  // tool sends the unsigned decimal of exactly what was typed.
  const struct {
    const char16_t* command;
    const char16_t* typed;
    const char16_t* sent;
  } kNumbers[] = {
      {u"write-dword", u"42", u"42"},
      {u"write-dword", u"0x10", u"16"},
      {u"write-dword", u"007", u"7"},
      {u"write-dword", u"4294967295", u"4294967295"},
      {u"write-dword", u"-1", u"4294967295"},
      {u"write-dword", u"-2147483648", u"2147483648"},
      {u"write-qword", u"-1", u"18446744073709551615"},
      {u"write-qword", u"0xFFFFFFFFFFFFFFFF", u"18446744073709551615"},
      {u"write-qword", u"-9223372036854775808", u"9223372036854775808"},
  };
  for (const auto& n : kNumbers) {
    const auto c = Parse({n.command, u"hkcu", u"k", u"v", n.typed});
    ASSERT_TRUE(c) << Narrow(n.typed);
    EXPECT_EQ(c->data, n.sent) << Narrow(n.typed);
    EXPECT_EQ(c->words.back(), n.typed);  // echoed as typed
  }
}

TEST(CommandParsing, MistakesAreRefusedBeforeAnythingIsSent) {
  const struct {
    std::vector<std::u16string> words;
    const char* message;
  } kMistakes[] = {
      {{u"read-string", u"hkcu", u"Software\\Corvane"},
       "takes 3 arguments, got 2; usage: read-string HIVE KEY NAME"},
      {{u"ping", u"extra"}, "takes 0 arguments, got 1"},
      {{u"read-string", u"hkcr", u"k", u"n"}, "unknown hive 'hkcr'"},
      {{u"read-string", u"12abc", u"k", u"n"}, "unknown hive '12abc'"},
      {{u"read-string", u"4294967296", u"k", u"n"}, "unknown hive"},
      {{u"read-string", u"-2147483649", u"k", u"n"}, "unknown hive"},
      {{u"read-string", u"-", u"k", u"n"}, "unknown hive"},
      {{u"read-strings"}, "unknown command 'read-strings'"},
      {{}, "no command"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"abc"}, "bad number 'abc' (use 0 to 4294967295"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"12abc"}, "bad number '12abc'"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"4294967296"}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"-2147483649"}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u""}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u" 5"}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"+5"}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"0x"}, "bad number"},
      {{u"write-dword", u"hkcu", u"k", u"n", u"1.5"}, "bad number"},
      {{u"write-qword", u"hkcu", u"k", u"n", u"18446744073709551616"},
       "bad number '18446744073709551616' (use 0 to 18446744073709551615"},
      {{u"write-qword", u"hkcu", u"k", u"n", u"-9223372036854775809"}, "bad number"},
      {{u"write-qword", u"hkcu", u"k", u"n", u"0x1g"}, "bad number"},
      {{u"plugin-channel", u"12x"}, "bad process id"},
      {{u"plugin-channel", u"-1"}, "bad process id"},
      {{u"plugin-channel", u"4294967296"}, "bad process id"},
      {{u"request", u"-1", u"hkcu", u"k", u"n", u"d"}, "bad operation code"},
      {{u"request", u"0x100000000", u"hkcu", u"k", u"n", u"d"}, "bad operation code"},
      {{u"request", u"2", u"x", u"k", u"n", u"d"}, "unknown hive 'x'"},
      {{u"keep-alive", u"0"}, "takes 0 arguments, got 1"},
  };
  for (const auto& mistake : kMistakes) {
    std::string error;
    EXPECT_FALSE(Parse(mistake.words, &error)) << mistake.message;
    EXPECT_NE(error.find(mistake.message), std::string::npos) << error;
  }
}

TEST(CommandParsing, LocalFileOptionsBelongToTheirCommands) {
  auto c = Parse({u"file-read", u"C:\\x\\a.bin", u"--out", u"local.bin"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->operation, 14u);
  EXPECT_EQ(c->path, u"C:\\x\\a.bin");
  EXPECT_EQ(c->outFile, u"local.bin");

  c = Parse({u"file-write", u"--in=local.bin", u"C:\\x\\a.bin"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->inFile, u"local.bin");
  EXPECT_EQ(c->path, u"C:\\x\\a.bin");
  EXPECT_TRUE(c->data.empty());

  c = Parse({u"file-write", u"C:\\x\\a.bin", u"00ABff"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->data, u"00ABff");  // passed on as typed: the broker judges it

  std::string error;
  EXPECT_FALSE(Parse({u"file-write", u"C:\\x\\a.bin", u"00", u"--in", u"local.bin"}, &error));
  EXPECT_NE(error.find("not both"), std::string::npos) << error;
  EXPECT_FALSE(Parse({u"file-write", u"C:\\x\\a.bin", u"--out", u"x"}, &error));
  EXPECT_NE(error.find("unknown option '--out'"), std::string::npos) << error;
  EXPECT_FALSE(Parse({u"file-read", u"C:\\x\\a.bin", u"--out"}, &error));
  EXPECT_NE(error.find("needs a local file name"), std::string::npos) << error;
  EXPECT_FALSE(Parse({u"file-read", u"a", u"--out=x", u"--out=y"}, &error));
  EXPECT_NE(error.find("given twice"), std::string::npos) << error;
  EXPECT_FALSE(Parse({u"read-string", u"hkcu", u"k", u"--verbose"}, &error));

  // After "--" a word that looks like an option is a value.
  c = Parse({u"read-string", u"hkcu", u"k", u"--", u"--out"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->name, u"--out");
  // A single dash is never an option: negative numbers pass.
  EXPECT_TRUE(Parse({u"write-dword", u"hkcu", u"k", u"n", u"-1"}));
}

TEST(CommandParsing, PluginChannelAndRawRequests) {
  auto c = Parse({u"plugin-channel", u"self"});
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->pluginChannel);
  EXPECT_TRUE(c->channelForSelf);

  c = Parse({u"plugin-channel", u"0x1A2C"});
  ASSERT_TRUE(c);
  EXPECT_FALSE(c->channelForSelf);
  EXPECT_EQ(c->processId, 0x1A2Cu);

  c = Parse({u"request", u"19", u"hkcu", u"Software\\Corvane", u"", u""});
  ASSERT_TRUE(c);
  EXPECT_FALSE(c->pluginChannel);
  EXPECT_EQ(c->operation, 19u);
  EXPECT_EQ(c->shape, OkText::Text);

  // A raw request for a known operation lays its answer out like that command.
  c = Parse({u"request", u"9", u"0", u"Software\\Corvane", u"", u""});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->shape, OkText::NulList);
}

TEST(CommandParsing, OnlyFileOperationsTakeFilePaths) {
  EXPECT_TRUE(Parse({u"file-delete", u"x"})->TakesFilePaths());
  EXPECT_TRUE(Parse({u"file-export", u"x", u"y"})->TakesFilePaths());
  EXPECT_FALSE(Parse({u"shell-open", u"https://x/%20%"})->TakesFilePaths());
  EXPECT_FALSE(Parse({u"read-string", u"hkcu", u"%x%", u"n"})->TakesFilePaths());
  EXPECT_FALSE(Parse({u"plugin-channel", u"self"})->TakesFilePaths());
}

TEST(ToolOptionParsing, OptionsComeBeforeTheCommand) {
  auto o = ParseToolOptions({u"--broker", u"C:\\b.exe", u"--show-diagnostics", u"--trace",
                             u"file-read", u"x", u"--out", u"y"});
  ASSERT_TRUE(o) << o.error();
  EXPECT_EQ(o->brokerPath, u"C:\\b.exe");
  EXPECT_TRUE(o->showDiagnostics);
  EXPECT_TRUE(o->trace);
  EXPECT_FALSE(o->scriptPath);
  // The command's own options stay with the command.
  EXPECT_EQ(o->commandWords, (std::vector<std::u16string>{u"file-read", u"x", u"--out", u"y"}));

  o = ParseToolOptions({u"--broker=b.exe", u"--script", u"-"});
  ASSERT_TRUE(o) << o.error();
  EXPECT_EQ(o->brokerPath, u"b.exe");
  EXPECT_EQ(o->scriptPath, u"-");
  EXPECT_TRUE(o->commandWords.empty());
  EXPECT_FALSE(o->trace);
  EXPECT_FALSE(o->json);

  o = ParseToolOptions({u"--json", u"ping"});
  ASSERT_TRUE(o) << o.error();
  EXPECT_TRUE(o->json);
  for (const char16_t* word : {u"-V", u"--version"}) {
    o = ParseToolOptions({word});
    ASSERT_TRUE(o) << o.error();
    EXPECT_TRUE(o->version);
  }
}

TEST(ToolOptionParsing, HelpComesInEveryUsualForm) {
  const struct {
    std::vector<std::u16string> args;
    std::optional<std::u16string> command;  // nothing: the general help
  } kForms[] = {
      {{u"--help"}, std::nullopt},
      {{u"help"}, std::nullopt},
      {{u"--broker", u"b.exe", u"-h"}, std::nullopt},
      {{u"help", u"write-dword"}, u"write-dword"},
      {{u"write-dword", u"--help"}, u"write-dword"},
      {{u"write-dword", u"hkcu", u"--help"}, u"write-dword"},
      {{u"--help", u"ping"}, u"ping"},
  };
  for (const auto& form : kForms) {
    const auto o = ParseToolOptions(form.args);
    ASSERT_TRUE(o) << o.error();
    EXPECT_TRUE(o->help);
    EXPECT_EQ(o->helpCommand, form.command);
  }
  // After "--", or spelled -h, it is a value: a name may look like that.
  auto o = ParseToolOptions({u"read-string", u"hkcu", u"k", u"--", u"--help"});
  ASSERT_TRUE(o);
  EXPECT_FALSE(o->help);
  o = ParseToolOptions({u"read-string", u"hkcu", u"k", u"-h"});
  ASSERT_TRUE(o);
  EXPECT_FALSE(o->help);
  EXPECT_FALSE(ParseToolOptions({u"help", u"ping", u"ping"}));

  EXPECT_FALSE(CommandHelp(u"frobnicate"));
}

TEST(ToolOptionParsing, MistakesAreRefused) {
  EXPECT_NE(OptionError({}).find("no command"), std::string::npos);
  EXPECT_NE(OptionError({u"--script", u"a.txt", u"ping"}).find("not both"), std::string::npos);
  EXPECT_FALSE(ParseToolOptions({u"--script"}));
  EXPECT_FALSE(ParseToolOptions({u"--broker="}));
  EXPECT_NE(OptionError({u"--verbose", u"ping"}).find("unknown option '--verbose'"),
            std::string::npos);
}

}  // namespace
}  // namespace corvane::cli
