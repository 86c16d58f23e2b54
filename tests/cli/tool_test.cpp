// corvane-plugin.exe end to end: the real tool starting the real broker,
// working on this Wine prefix's registry and files.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin/client/broker_process.h"
#include "win/process_information.h"
#include "win/scoped_handle.h"

namespace corvane::cli {
namespace {

// Bounds the wait for the tool so that a hang fails the test instead of
// stalling it; no result depends on this duration.
constexpr DWORD kPatienceMs = 120000;

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (const char16_t c : text) out.push_back(static_cast<char>(c));  // ASCII only here
  return out;
}

std::u16string Wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, buffer);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

std::string ReadAll(const std::u16string& path) {
  std::ifstream in(reinterpret_cast<const wchar_t*>(path.c_str()), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::u16string& path, const std::string& bytes) {
  std::ofstream out(reinterpret_cast<const wchar_t*>(path.c_str()), std::ios::binary);
  out << bytes;
}

UniqueHandle InheritableFile(const std::u16string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueHandle(CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

struct ToolRun {
  DWORD exitCode = 0xDEAD;
  std::string out;
  std::string err;
};

// Every test works below its own key and file names, so that test programs
// running side by side in the prefix do not meet.
class CorvanePluginTool : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string tag = "cli-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    key_ = "Software\\Corvane\\" + tag;
    local_ = TempFolder() + Wide(tag);
    remoteFile_ = "%APPDATA%\\corvane\\" + tag + ".bin";
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(Wide(key_).c_str()));
    for (const char* suffix : {".out", ".err", ".in", ".script", ".bytes", ".copy"}) {
      DeleteFileW(reinterpret_cast<const wchar_t*>((local_ + Wide(suffix)).c_str()));
    }
  }

  // Runs the tool with `arguments`; `input` becomes its standard input.
  ToolRun Run(const std::string& arguments, const std::string& input = {}) {
    const std::u16string tool = client::PathBesideThisProgram(u"corvane-plugin.exe");
    const std::u16string outPath = local_ + u".out";
    const std::u16string errPath = local_ + u".err";
    const std::u16string inPath = local_ + u".in";
    WriteAll(inPath, input);
    ToolRun run;
    {
      UniqueHandle out = InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
      UniqueHandle err = InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
      UniqueHandle in = InheritableFile(inPath, GENERIC_READ, OPEN_EXISTING);
      if (!out || !err || !in) {
        ADD_FAILURE() << "cannot create the tool's standard files";
        return run;
      }
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = in.get();
      startup.hStdOutput = out.get();
      startup.hStdError = err.get();
      std::u16string commandLine = u"\"" + tool + u"\" " + Wide(arguments);
      win::ProcessInformation info;
      if (!CreateProcessW(reinterpret_cast<const wchar_t*>(tool.c_str()),
                          reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr, TRUE, 0,
                          nullptr, nullptr, &startup, info.Receive())) {
        ADD_FAILURE() << "cannot start corvane-plugin.exe: " << GetLastError();
        return run;
      }
      if (WaitForSingleObject(info.process(), kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(info.process(), 0xDEAD);
        ADD_FAILURE() << "corvane-plugin.exe did not finish";
      }
      GetExitCodeProcess(info.process(), &run.exitCode);
    }
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
  }

  std::string ScriptFile(const std::string& text) {
    const std::u16string path = local_ + u".script";
    WriteAll(path, text);
    return "\"" + Narrow(path) + "\"";
  }

  std::string key_;
  std::u16string local_;
  std::string remoteFile_;
};

TEST_F(CorvanePluginTool, AScriptRunsManyRequestsInOneSession) {
  const std::string script =
      "# registry round trip\n"
      "ping\n"
      "write-string hkcu " +
      key_ +
      " Greeting \"hello world\"\n"
      "read-string hkcu " +
      key_ +
      " Greeting\n"
      "\n"
      "write-dword hkcu " +
      key_ +
      " Count 4294967295\n"
      "read-dword hkcu " +
      key_ +
      " Count\n"
      "write-qword hkcu " +
      key_ +
      "\\Sub Big -1\n"
      "list-subkeys hkcu " +
      key_ +
      "\n"
      "list-values hkcu " +
      key_ +
      "\n"
      "key-exists hkcu " +
      key_ + "\\Sub\n";
  const ToolRun run = Run("--script " + ScriptFile(script));
  EXPECT_EQ(run.out,
            "> ping\n"
            "Ok (0): \"pong\"\n"
            "> write-string hkcu " +
                key_ +
                " Greeting \"hello world\"\n"
                "Ok (0)\n"
                "> read-string hkcu " +
                key_ +
                " Greeting\n"
                "Ok (0): \"hello world\"\n"
                "> write-dword hkcu " +
                key_ +
                " Count 4294967295\n"
                "Ok (0)\n"
                "> read-dword hkcu " +
                key_ +
                " Count\n"
                "Ok (0): 4294967295 (0xffffffff)\n"
                "> write-qword hkcu " +
                key_ +
                "\\Sub Big -1\n"
                "Ok (0)\n"
                "> list-subkeys hkcu " +
                key_ +
                "\n"
                "Ok (0): 1 entry\n"
                "  Sub\n"
                "> list-values hkcu " +
                key_ +
                "\n"
                "Ok (0): 2 values\n"
                "  Count =\n"
                "  Greeting = hello world\n"
                "> key-exists hkcu " +
                key_ +
                "\\Sub\n"
                "Ok (0)\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0u);

  // The broker really wrote to this prefix's registry.
  wchar_t text[64];
  DWORD size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(Wide(key_).c_str()),
                         L"Greeting", RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(text), L"hello world");
}

TEST_F(CorvanePluginTool, DiagnosticsShowWhyARequestWasRefused) {
  const std::string script =
      "write-string hklm Software\\Corvane Greeting nope\n"
      "ping\n";
  const ToolRun run = Run("--show-diagnostics --script " + ScriptFile(script));
  EXPECT_EQ(run.out,
            "> write-string hklm Software\\Corvane Greeting nope\n"
            "broker: [CorvaneBroker] denied: write to read-only hive\n"
            "Denied (2)\n"
            "> ping\n"
            "Ok (0): \"pong\"\n");
  // About the tool's broker, not an answer: on standard error.
  EXPECT_EQ(run.err, "(broker exited with code 0)\n");
  EXPECT_EQ(run.exitCode, 1u);

  // Without the option the same refusal shows only its status.
  const ToolRun quiet = Run("write-string hklm Software\\Corvane Greeting nope");
  EXPECT_EQ(quiet.out, "Denied (2)\n");
  EXPECT_EQ(quiet.exitCode, 1u);
}

TEST_F(CorvanePluginTool, TraceShowsEveryFrameDecodedOnStandardError) {
  const ToolRun ping = Run("--trace ping");
  EXPECT_EQ(ping.exitCode, 0u);
  // Standard output holds the answer alone.
  EXPECT_EQ(ping.out, "Ok (0): \"pong\"\n");
  const std::string& err = ping.err;
  const size_t sent = err.find("trace: sent 128 bytes\ntrace: 0000  4b 52 4f 4d 00 00 00 00\n");
  const size_t request = err.find(
      "trace:   message 6, 5 parameters\n"
      "trace:     1. tag 2 int32: 11 (ping)\n"
      "trace:     2. tag 2 int32: 0\n"
      "trace:     3. tag 25 text16: \"\"\n");
  const size_t received = err.find("trace: received 88 bytes\n");
  const size_t reply = err.find(
      "trace:   message 7, 2 parameters\n"
      "trace:     1. tag 2 int32: 0 (Ok)\n"
      "trace:     2. tag 25 text16: \"pong\"\n");
  EXPECT_NE(sent, std::string::npos) << err;
  EXPECT_LT(sent, request);
  EXPECT_LT(request, received);
  EXPECT_LT(received, reply);
  EXPECT_NE(reply, std::string::npos) << err;

  // A refusal's diagnostic line comes between the request and its answer.
  const ToolRun refused =
      Run("--trace --show-diagnostics write-string hklm Software\\Corvane Greeting nope");
  const size_t line = refused.err.find("broker: [CorvaneBroker] denied: write to read-only hive\n");
  EXPECT_LT(refused.err.find("trace: sent "), line) << refused.err;
  EXPECT_LT(line, refused.err.find("trace: received ")) << refused.err;
  EXPECT_EQ(refused.out.rfind("Denied (2)\n", 0), 0u) << refused.out;
  EXPECT_EQ(refused.exitCode, 1u);
}

// One object a line on standard output, for a script; the broker's lines
// go to standard error.
TEST_F(CorvanePluginTool, JsonGivesOneObjectPerAnswer) {
  const ToolRun run = Run("--json --show-diagnostics --script " +
                          ScriptFile("write-qword hkcu " + key_ +
                                     " q 0xFFFFFFFFFFFFFFFF\n"
                                     "read-qword hkcu " +
                                     key_ +
                                     " q\n"
                                     "write-string hklm Software\\Corvane Greeting nope\n"
                                     "keep-alive\n"));
  EXPECT_EQ(run.out, R"({"operation":"write-qword","code":13,"status":0,"status_name":"Ok"})"
                     "\n"
                     R"({"operation":"read-qword","code":12,"status":0,"status_name":"Ok",)"
                     R"("value":18446744073709551615,"text":"18446744073709551615"})"
                     "\n"
                     R"({"operation":"write-string","code":2,"status":2,"status_name":"Denied"})"
                     "\n"
                     R"({"operation":"keep-alive","sent":true})"
                     "\n");
  EXPECT_NE(run.err.find("broker: [CorvaneBroker] denied: write to read-only hive\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.exitCode, 1u);
}

TEST_F(CorvanePluginTool, ExitCodesTellWhatWentWrong) {
  const ToolRun ok = Run("ping");
  EXPECT_EQ(ok.out, "Ok (0): \"pong\"\n");
  EXPECT_EQ(ok.exitCode, 0u);

  const ToolRun missing = Run("read-string hkcu " + key_ + " Nothing");
  EXPECT_EQ(missing.out, "NotFound (1)\n");
  EXPECT_EQ(missing.exitCode, 1u);

  const ToolRun unknown = Run("frobnicate");
  EXPECT_EQ(unknown.exitCode, 2u);
  EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos) << unknown.err;
  EXPECT_EQ(unknown.out, "");

  // A script with a bad line runs nothing at all, not even the good lines.
  const ToolRun badScript = Run("--script " + ScriptFile("write-string hkcu " + key_ +
                                                         " Early x\n"
                                                         "read-string hkcu\n"));
  EXPECT_EQ(badScript.exitCode, 2u);
  EXPECT_NE(badScript.err.find(".script:2: "), std::string::npos) << badScript.err;
  RegKey opened;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(Wide(key_).c_str()),
                          0, KEY_READ, opened.Receive()),
            ERROR_FILE_NOT_FOUND);

  // The path tried and the system's reason, said once.
  const ToolRun noBroker = Run("--broker C:\\no\\such\\broker.exe ping");
  EXPECT_EQ(noBroker.exitCode, 3u);
  EXPECT_EQ(
      noBroker.err.rfind("corvane-plugin: cannot start the broker 'C:\\no\\such\\broker.exe': ", 0),
      0u)
      << noBroker.err;
  EXPECT_EQ(noBroker.err.find("cannot start", 20), std::string::npos) << noBroker.err;
  EXPECT_NE(noBroker.err.find("(error 3)"), std::string::npos) << noBroker.err;
  EXPECT_EQ(noBroker.out, "");
  // With --json the failure is an object on standard output as well.
  const ToolRun noBrokerJson = Run("--json --broker C:\\no\\such\\broker.exe ping");
  EXPECT_EQ(noBrokerJson.exitCode, 3u);
  EXPECT_EQ(
      noBrokerJson.out.rfind(R"({"operation":"start","status_name":"StartFailed",)"
                             R"("message":"cannot start the broker 'C:\\no\\such\\broker.exe': )",
                             0),
      0u)
      << noBrokerJson.out;
}

TEST_F(CorvanePluginTool, UsageErrorsStopBeforeTheBroker) {
  // Each names what was wrong; none reaches the broker or the registry.
  const std::string script = ScriptFile("ping\nwrite-dword hkcu " + key_ + " Count 12abc\n");
  const struct {
    std::string arguments;
    std::string message;
  } kMistakes[] = {
      {"write-dword hkcu " + key_ + " Count abc", "corvane-plugin: bad number 'abc'"},
      {"--script " + script, ".script:2: bad number '12abc'"},
      {"--script C:\\no\\such\\session.txt",
       "corvane-plugin: cannot open 'C:\\no\\such\\session.txt': "},
      {"help frobnicate", "corvane-plugin: unknown command 'frobnicate'"},
  };
  for (const auto& mistake : kMistakes) {
    const ToolRun run = Run(mistake.arguments);
    EXPECT_EQ(run.exitCode, 2u) << mistake.arguments;
    EXPECT_EQ(run.out, "") << mistake.arguments;
    EXPECT_NE(run.err.find(mistake.message), std::string::npos) << run.err;
  }
  RegKey opened;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(Wide(key_).c_str()),
                          0, KEY_READ, opened.Receive()),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(CorvanePluginTool, HelpAndVersionNeedNoBroker) {
  const ToolRun version = Run("-V");
  EXPECT_EQ(version.exitCode, 0u);
  EXPECT_EQ(version.out.rfind("corvane-plugin 0.", 0), 0u) << version.out;

  const ToolRun general = Run("help");
  EXPECT_EQ(general.exitCode, 0u);
  EXPECT_NE(general.out.find("--version"), std::string::npos) << general.out;
  EXPECT_NE(general.out.find("  keep-alive\n"), std::string::npos) << general.out;

  const ToolRun one = Run("write-dword --help");
  EXPECT_EQ(one.exitCode, 0u);
  EXPECT_EQ(one.out.rfind("usage: corvane-plugin write-dword HIVE KEY NAME NUMBER\n", 0), 0u)
      << one.out;
  EXPECT_NE(one.out.find("e.g. corvane-plugin write-dword "), std::string::npos) << one.out;
  EXPECT_EQ(one.err, "");
}

TEST_F(CorvanePluginTool, TheExampleSessionRuns) {
  const std::u16string example = client::PathBesideThisProgram(u"example-session.txt");
  const ToolRun run = Run("--script \"" + Narrow(example) + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("> keep-alive\nsent"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Ok (0): \"hello from a script\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Ok (0): 42 (0x2a)"), std::string::npos) << run.out;
}

TEST_F(CorvanePluginTool, APluginChannelIsHandedOverAndTheSessionGoesOn) {
  const ToolRun run = Run("--script " + ScriptFile("plugin-channel self\n"
                                                   "ping\n"
                                                   "plugin-channel 4294967292\n"));
  EXPECT_EQ(run.out.rfind("> plugin-channel self\nerror 0, handle 0x", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("> ping\nOk (0): \"pong\"\n"), std::string::npos) << run.out;
  // No such process: the broker answers without a handle, which is not Ok.
  EXPECT_NE(run.out.find("> plugin-channel 4294967292\n"
                         "error 0, no handle (for process 4294967292)\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.exitCode, 1u);
}

TEST_F(CorvanePluginTool, FileContentsTravelFromAndToLocalFiles) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  WriteAll(local_ + u".bytes", bytes);
  const std::string in = "\"" + Narrow(local_) + ".bytes\"";
  const std::string copy = "\"" + Narrow(local_) + ".copy\"";
  // The script comes on standard input this time.
  const std::string script = "file-write " + remoteFile_ + " --in " + in + "\n" + "file-read " +
                             remoteFile_ + " --out " + copy + "\n" + "file-delete " + remoteFile_ +
                             "\n" + "file-exists " + remoteFile_ + "\n";
  const ToolRun run = Run("--script -", script);
  EXPECT_EQ(ReadAll(local_ + u".copy"), bytes);
  EXPECT_NE(run.out.find("Ok (0): 256 bytes written to "), std::string::npos) << run.out;
  // The last request finds the file gone: NotFound, hence exit code 1.
  EXPECT_NE(run.out.find("> file-exists " + remoteFile_ + "\nNotFound (1)\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace corvane::cli
