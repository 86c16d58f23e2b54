#include "plugin/cli/request_runner.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/cli/local_file.h"
#include "plugin/cli/script_reader.h"

namespace corvane::cli {
namespace {

// Answers from a prepared list and records what was sent: for the paths that
// the real broker cannot be made to take on demand (a connection lost
// halfway). Everything else runs end to end under Wine.
class ScriptedLink : public BrokerLink {
 public:
  struct Step {
    bool answered = true;
    BrokerAnswer answer;
  };
  std::deque<Step> steps;
  std::vector<CliCommand> sent;

  client::Result<BrokerAnswer, std::string> Send(const CliCommand& command) override {
    sent.push_back(command);
    Step step = steps.front();
    steps.pop_front();
    if (!step.answered) return std::string("BrokerGone: the pipe was closed");
    return step.answer;
  }
  std::vector<std::string> TakeDiagnostics() override { return {}; }
};

ScriptedLink::Step Reply(int32_t status, std::u16string text = {}) {
  ScriptedLink::Step step;
  step.answer.status = status;
  step.answer.text = std::move(text);
  return step;
}

ScriptedLink::Step Lost() {
  ScriptedLink::Step step;
  step.answered = false;
  return step;
}

std::vector<CliCommand> Parse(const std::string& script) {
  Script parsed = ParseScript(script, "test");
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

TEST_F(RequestRunner, ALostBrokerStopsTheRun) {
  ScriptedLink link;
  link.steps = {Reply(2), Lost(), Reply(0)};
  const Outcome run = RunAll(Parse("ping\nping\nping\n"), link);
  EXPECT_EQ(run.code, kExitBrokerLost);
  EXPECT_EQ(link.sent.size(), 2u);
  EXPECT_EQ(run.err, "corvane-plugin: BrokerGone: the pipe was closed\n");
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
  // Each names the file and gives the system's reason.
  EXPECT_NE(run.err.find("corvane-plugin: cannot open '" + missing + "': "), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("; request not sent\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("corvane-plugin: cannot create '" + unwritable + "': "), std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("NotFound (1)"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace corvane::cli
