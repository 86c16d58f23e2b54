#include "plugin/cli/request_runner.h"

#include <ostream>

#include "plugin/cli/answer_format.h"
#include "plugin/cli/json_answer.h"
#include "plugin/cli/local_file.h"
#include "plugin/client/value_text.h"
#include "protocol/hex_text.h"

namespace corvane::cli {
namespace {

void Complain(std::ostream& out, std::ostream& err, const std::string& message) {
  out.flush();  // keep the complaint after what was printed before it
  err << "corvane-plugin: " << message << "\n";
  err.flush();
}

// The answer's text in the chosen form.
std::string Answer(const CliCommand& command, const BrokerAnswer& answer, bool json) {
  return json ? JsonAnswer(command, answer.status, answer.text)
              : FormatAnswer(command.shape, answer.status, answer.text);
}

// Prints the answer (saving file contents if asked) and judges it.
ExitCode Report(const CliCommand& command, const BrokerAnswer& answer, std::ostream& out,
                std::ostream& err, bool json) {
  if (command.keepAlive) {
    out << (json ? JsonKeepAliveSent() : FormatKeepAliveSent());
    return kExitOk;
  }
  if (command.pluginChannel) {
    out << (json ? JsonChannelReply : FormatChannelReply)(answer.channelError, answer.channelHandle,
                                                          answer.channelProcessId);
    return answer.channelError == 0 && answer.channelHandle != ~0ull ? kExitOk : kExitNotOk;
  }
  const ExitCode verdict = answer.status == 0 ? kExitOk : kExitNotOk;
  if (command.outFile.empty() || answer.status != 0) {
    out << Answer(command, answer, json);
    return verdict;
  }
  const auto bytes = client::HexToBytes(answer.text);
  const auto saved = bytes ? WriteLocalFile(command.outFile, *bytes)
                           : std::string("the answer is not hexadecimal text; nothing was saved");
  if (!saved) {
    out << Answer(command, answer, json);
    Complain(out, err, saved.error());
    return kExitUsage;
  }
  out << (json ? JsonSavedContents(command, answer.status, bytes->size(), command.outFile)
               : FormatSavedContents(answer.status, bytes->size(), command.outFile));
  return verdict;
}

}  // namespace

void PrintDiagnostics(BrokerLink& link, std::ostream& out) {
  for (const std::string& output : link.TakeDiagnostics()) out << FormatDiagnostic(output);
}

ExitCode RunCommands(const std::vector<CliCommand>& commands, BrokerLink& link, std::ostream& out,
                     std::ostream& err, const RunSettings& settings) {
  ExitCode result = kExitOk;
  std::ostream& diagnostics = settings.json ? err : out;
  for (const CliCommand& original : commands) {
    PrintDiagnostics(link, diagnostics);
    if (settings.echo && !settings.json) out << FormatEcho(original);

    const CliCommand* command = &original;
    CliCommand withContents;
    if (!original.inFile.empty()) {
      const auto bytes = ReadLocalFile(original.inFile);
      if (!bytes) {
        Complain(out, err, bytes.error() + "; request not sent");
        result = WorseExit(result, kExitUsage);
        continue;
      }
      withContents = original;
      withContents.data = HexText::Encode(*bytes);
      command = &withContents;
    }

    const auto answer = link.Send(*command);
    PrintDiagnostics(link, diagnostics);
    if (!answer) {
      Complain(out, err, answer.error());
      return kExitBrokerLost;
    }
    result = WorseExit(result, Report(*command, *answer, out, err, settings.json));
    out.flush();
  }
  return result;
}

}  // namespace corvane::cli
