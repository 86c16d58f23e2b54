// corvane-plugin.exe: sends requests to the broker as a plug-in would, one
// command from the command line or many from a script, and prints answers.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "corvane_version.h"
#include "plugin/cli/cli_command.h"
#include "plugin/cli/exit_codes.h"
#include "plugin/cli/help_text.h"
#include "plugin/cli/json_answer.h"
#include "plugin/cli/live_broker.h"
#include "plugin/cli/local_file.h"
#include "plugin/cli/request_runner.h"
#include "plugin/cli/script_reader.h"
#include "plugin/cli/tool_options.h"
#include "plugin/cli/utf_convert.h"
#include "win/wide_text.h"

namespace corvane::cli {
namespace {

// Our output is UTF-8 with "\n" line ends whether it goes to a console, a
// file or a pipe. The console's code page outlives this process, so the
// user's own is put back at the end.
class OutputSetup {
 public:
  OutputSetup() : consoleCodePage_(GetConsoleOutputCP()) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (consoleCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
  }
  ~OutputSetup() {
    std::cout.flush();
    std::cerr.flush();
    if (consoleCodePage_ != 0) SetConsoleOutputCP(consoleCodePage_);
  }
  OutputSetup(const OutputSetup&) = delete;
  OutputSetup& operator=(const OutputSetup&) = delete;

 private:
  UINT consoleCodePage_;
};

void Fail(const std::string& message) {
  std::cerr << "corvane-plugin: " << message << "\n";
}

std::u16string ExpandEnvironment(const std::u16string& text) {
  if (text.find(u'%') == std::u16string::npos) return text;
  const wchar_t* source = win::Wide(text);
  const DWORD size = ExpandEnvironmentStringsW(source, nullptr, 0);
  if (size == 0) return text;
  std::u16string expanded(size, u'\0');
  const DWORD written = ExpandEnvironmentStringsW(source, win::Wide(expanded.data()), size);
  if (written == 0 || written > size) return text;
  expanded.resize(written - 1);  // the count includes the terminator
  return expanded;
}

client::Result<std::vector<uint8_t>, std::string> ReadScriptBytes(const std::u16string& path) {
  if (path != u"-") return ReadLocalFile(path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(std::cin)),
                             std::istreambuf_iterator<char>());
  if (std::cin.bad()) return std::string("cannot read the script from standard input");
  return bytes;
}

int Run(int argc, wchar_t** argv) {
  const OutputSetup output;
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));

  const auto options = ParseToolOptions(args);
  if (!options) {
    Fail(options.error());
    return kExitUsage;
  }
  if (options->help && options->helpCommand) {
    const auto usage = CommandHelp(*options->helpCommand);
    if (!usage) {
      Fail("unknown command '" + Utf16ToUtf8(*options->helpCommand) + "'; try --help");
      return kExitUsage;
    }
    std::cout << *usage;
    return kExitOk;
  }
  if (options->help) {
    std::cout << HelpText();
    return kExitOk;
  }
  if (options->version) {
    std::cout << "corvane-plugin " CORVANE_VERSION "\n";
    return kExitOk;
  }

  std::vector<CliCommand> commands;
  if (options->scriptPath) {
    const auto bytes = ReadScriptBytes(*options->scriptPath);
    if (!bytes) {
      Fail(bytes.error());
      return kExitUsage;
    }
    const std::u16string& path = *options->scriptPath;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    Script script = ParseScript(text, path == u"-" ? "<stdin>" : Utf16ToUtf8(path));
    if (!script.errors.empty()) {
      for (const std::string& problem : script.errors) Fail(problem);
      return kExitUsage;
    }
    commands = std::move(script.commands);
    if (commands.empty()) return kExitOk;
  } else {
    auto command = ParseCommand(options->commandWords);
    if (!command) {
      Fail(command.error());
      return kExitUsage;
    }
    commands.push_back(std::move(*command));
  }
  for (CliCommand& command : commands) {
    if (!command.TakesFilePaths()) continue;
    command.path = ExpandEnvironment(command.path);
    command.name = ExpandEnvironment(command.name);
  }

  // Trace lines go to standard error, as git's and curl's do, so that
  // standard output holds the answers alone.
  auto started = LiveBroker::Start(options->brokerPath, options->showDiagnostics,
                                   options->trace ? &std::cerr : nullptr);
  if (!started) {
    Fail(started.error());
    // A script reading standard output sees the failure as an object too.
    if (options->json) std::cout << JsonStartFailed(started.error()) << std::flush;
    return kExitBrokerLost;
  }
  const std::unique_ptr<LiveBroker> broker = std::move(started).value();
  RunSettings settings;
  settings.echo = options->scriptPath.has_value();
  settings.json = options->json;
  const ExitCode result = RunCommands(commands, *broker, std::cout, std::cerr, settings);
  const auto brokerExit = broker->Finish();
  std::ostream& diagnostics = options->json ? std::cerr : std::cout;
  PrintDiagnostics(*broker, diagnostics);
  std::cout.flush();
  // About the tool's broker, not an answer: never on standard output.
  if (options->showDiagnostics) {
    if (brokerExit) {
      std::cerr << "(broker exited with code " << *brokerExit << ")\n";
    } else {
      std::cerr << "(broker did not exit)\n";
    }
  }
  return result;
}

}  // namespace
}  // namespace corvane::cli

int wmain(int argc, wchar_t** argv) {
  try {
    return corvane::cli::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane-plugin: internal error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "corvane-plugin: internal error\n");
  }
  return corvane::cli::kExitInternal;
}
