#include "plugin/cli/request_runner.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "plugin/cli/local_file.h"
#include "plugin/cli/script_reader.h"

namespace corvane::cli {
namespace {

using namespace std::string_literals;

// Answers from a prepared list and records what was sent. The runner's
// ordering and exit codes are under test here; the real broker is exercised
// by the end-to-end test under Wine.
class ScriptedLink : public BrokerLink {
 public:
  struct Step {
    bool answered = true;
    BrokerAnswer answer;
    std::vector<std::string> diagnostics;  // written while the request runs
  };
  std::deque<Step> steps;
  std::vector<CliCommand> sent;

  bool Send(const CliCommand& command, BrokerAnswer& answer, std::string& error) override {
    sent.push_back(command);
    Step step = steps.front();
    steps.pop_front();
    pending_ = step.diagnostics;
    if (!step.answered) {
      error = "BrokerGone: the pipe was closed";
      return false;
    }
    answer = step.answer;
    return true;
  }
  std::vector<std::string> TakeDiagnostics() override { return std::exchange(pending_, {}); }

 private:
  std::vector<std::string> pending_;
};

ScriptedLink::Step Reply(int32_t status, std::u16string text = {},
                         std::vector<std::string> diagnostics = {}) {
  ScriptedLink::Step step;
  step.answer.status = status;
  step.answer.text = std::move(text);
  step.diagnostics = std::move(diagnostics);
  return step;
}

ScriptedLink::Step Lost() {
  ScriptedLink::Step step;
  step.answered = false;
  return step;
}

std::vector<CliCommand> Parse(const std::string& script) {
  Script parsed = ParseScript(script);
  EXPECT_TRUE(parsed.errors.empty());
  return parsed.commands;
}

struct Outcome {
  ExitCode code;
  std::string out;
  std::string err;
};

Outcome RunAll(const std::vector<CliCommand>& commands, ScriptedLink& link) {
  std::ostringstream out;
  std::ostringstream err;
  RunSettings settings;
  settings.echo = true;
  const ExitCode code = RunCommands(commands, link, out, err, settings);
  return {code, out.str(), err.str()};
}

class RequestRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("corvane-cli-runner-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Local(const char* name) const { return (folder_ / name).string(); }

  std::filesystem::path folder_;
};

TEST_F(RequestRunner, PrintsEachRequestWithItsDiagnosticsAheadOfItsAnswer) {
  ScriptedLink link;
  link.steps = {Reply(0, u"pong"),
                Reply(2, {}, {"[CorvaneBroker] denied: write to read-only hive\n"}),
                Reply(0, u"A\0B\0"s)};
  const Outcome run = RunAll(Parse("ping\n"
                                   "write-string hklm Software\\Corvane X y\n"
                                   "list-subkeys hkcu Software\\Corvane\n"),
                             link);
  EXPECT_EQ(run.out,
            "> ping\n"
            "Ok (0): \"pong\"\n"
            "> write-string hklm Software\\Corvane X y\n"
            "broker: [CorvaneBroker] denied: write to read-only hive\n"
            "Denied (2)\n"
            "> list-subkeys hkcu Software\\Corvane\n"
            "Ok (0): 2 entries\n  A\n  B\n");
  EXPECT_EQ(run.code, kExitNotOk);
  EXPECT_EQ(run.err, "");
}

TEST_F(RequestRunner, ALostBrokerStopsTheRun) {
  ScriptedLink link;
  link.steps = {Reply(2), Lost(), Reply(0)};
  const Outcome run = RunAll(Parse("ping\nping\nping\n"), link);
  EXPECT_EQ(run.code, kExitBrokerLost);
  EXPECT_EQ(link.sent.size(), 2u);
  EXPECT_EQ(run.err, "error: BrokerGone: the pipe was closed\n");
}

TEST_F(RequestRunner, LocalFilesFeedAndReceiveFileContents) {
  const std::string in = Local("in.bin");
  const std::string out = Local("out.bin");
  std::string error;
  ASSERT_TRUE(WriteLocalFile(std::u16string(in.begin(), in.end()), {0x00, 0xAB, 0xFF}, error));

  ScriptedLink link;
  link.steps = {Reply(0), Reply(0, u"00abff")};
  const Outcome run = RunAll(Parse("file-write C:\\f.bin --in \"" + in +
                                   "\"\n"
                                   "file-read C:\\f.bin --out \"" +
                                   out + "\"\n"),
                             link);
  EXPECT_EQ(run.code, kExitOk) << run.err;
  ASSERT_EQ(link.sent.size(), 2u);
  EXPECT_EQ(link.sent[0].data, u"00abff");
  const auto saved = ReadLocalFile(std::u16string(out.begin(), out.end()), error);
  ASSERT_TRUE(saved) << error;
  EXPECT_EQ(*saved, (std::vector<uint8_t>{0x00, 0xAB, 0xFF}));
  EXPECT_NE(run.out.find("Ok (0): 3 bytes written to "), std::string::npos) << run.out;
}

TEST_F(RequestRunner, LocalFileProblemsAreUsageErrorsAndTheRestGoesOn) {
  const std::string missing = Local("missing.bin");
  const std::string unwritable = Local("no-such-folder/out.bin");
  ScriptedLink link;
  link.steps = {Reply(0, u"00"), Reply(1)};
  const Outcome run = RunAll(Parse("file-write C:\\f.bin --in \"" + missing +
                                   "\"\n"
                                   "file-read C:\\f.bin --out \"" +
                                   unwritable +
                                   "\"\n"
                                   "key-exists hkcu Software\\Corvane\\Nope\n"),
                             link);
  // The write was never sent; the read was answered but could not be saved.
  ASSERT_EQ(link.sent.size(), 2u);
  EXPECT_EQ(link.sent[0].operation, 14u);
  EXPECT_EQ(run.code, kExitUsage);
  EXPECT_NE(run.err.find("cannot open local file"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("request not sent"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("cannot create local file"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("NotFound (1)"), std::string::npos) << run.out;
}

TEST_F(RequestRunner, APluginChannelWithoutAHandleIsNotOk) {
  ScriptedLink link;
  ScriptedLink::Step granted;
  granted.answer.channelHandle = 0x1c4;
  granted.answer.channelProcessId = 42;
  ScriptedLink::Step refused;
  refused.answer.channelProcessId = 99999;
  link.steps = {granted, refused};
  const Outcome run = RunAll(Parse("plugin-channel 42\nplugin-channel 99999\n"), link);
  EXPECT_EQ(run.out,
            "> plugin-channel 42\n"
            "error 0, handle 0x1c4 in process 42\n"
            "> plugin-channel 99999\n"
            "error 0, no handle (for process 99999)\n");
  EXPECT_EQ(run.code, kExitNotOk);
}

}  // namespace
}  // namespace corvane::cli
