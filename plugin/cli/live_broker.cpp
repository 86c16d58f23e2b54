#include "plugin/cli/live_broker.h"

#include <windows.h>

#include <ostream>

#include "plugin/cli/answer_format.h"
#include "plugin/cli/frame_trace.h"
#include "plugin/cli/system_message.h"
#include "plugin/cli/utf_convert.h"
#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/command_line.h"
#include "plugin/client/debug_monitor.h"

namespace corvane::cli {
namespace {

// How long Finish waits for the broker to notice the closed pipe; it
// normally takes a moment, but a loaded machine must not make it look hung.
constexpr uint32_t kExitWaitMs = 30000;

std::string Describe(const client::ClientError& error) {
  return std::string(client::ErrorKindName(error.kind)) + ": " + error.message;
}

}  // namespace

struct LiveBroker::Parts {
  // Exactly one of the two runs the broker.
  std::unique_ptr<client::DebugMonitor> monitor;
  std::optional<client::BrokerProcess> process;
  std::optional<client::BrokerConnection> connection;

  HANDLE ProcessHandle() const { return monitor ? monitor->process() : process->handle(); }
};

LiveBroker::LiveBroker(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

LiveBroker::~LiveBroker() = default;

client::Result<std::unique_ptr<LiveBroker>, std::string> LiveBroker::Start(
    const std::u16string& brokerPath, bool showDiagnostics, std::ostream* trace) {
  const std::u16string exePath = brokerPath.empty() ? client::DefaultBrokerPath() : brokerPath;
  const std::u16string ipcName = client::MakeUniqueIpcName();
  const auto servedProcessId = static_cast<uint32_t>(GetCurrentProcessId());
  auto parts = std::make_unique<Parts>();

  std::u16string commandLine = client::BuildBrokerCommandLine(exePath, ipcName, servedProcessId);
  std::string why;
  if (showDiagnostics) {
    auto started = client::DebugMonitor::Start(exePath, std::move(commandLine));
    if (started) {
      parts->monitor = std::move(started).value();
    } else {
      const client::ClientError& failure = started.error();
      why = failure.systemError != 0 ? SystemMessage(failure.systemError) : failure.message;
    }
  } else {
    auto started = client::StartProcess(exePath, std::move(commandLine));
    if (started) {
      parts->process.emplace(std::move(started).value());
    } else {
      why = SystemMessage(started.error().systemError);
    }
  }
  if (!parts->monitor && !parts->process) {
    return "cannot start the broker '" + Utf16ToUtf8(exePath) + "'" +
           (showDiagnostics ? " under the debugger: " : ": ") + why;
  }

  auto connected = client::BrokerConnection::Connect(ipcName, parts->ProcessHandle());
  if (!connected) {
    // A broker still waiting for its client would wait on after we are gone.
    if (parts->process) parts->process->Terminate(1);
    return "cannot connect to the broker: " + Describe(connected.error());
  }
  parts->connection = std::move(connected).value();
  if (trace != nullptr) {
    // The Parts object stays where it is when the pointer to it moves.
    Parts* p = parts.get();
    p->connection->SetFrameObserver(
        [p, trace](client::FrameDirection direction, const uint8_t* bytes, size_t size) {
          const bool sent = direction == client::FrameDirection::Sent;
          // The broker writes a request's lines before it answers, so those
          // waiting now belong ahead of the answer's frame.
          if (!sent && p->monitor) {
            for (const std::string& output : p->monitor->TakeOutput()) {
              *trace << FormatDiagnostic(output);
            }
          }
          *trace << FormatFrameTrace(sent ? TraceDirection::Sent : TraceDirection::Received, bytes,
                                     size);
        });
  }
  return std::unique_ptr<LiveBroker>(new LiveBroker(std::move(parts)));
}

client::Result<BrokerAnswer, std::string> LiveBroker::Send(const CliCommand& command) {
  client::BrokerConnection& connection = *parts_->connection;
  if (command.keepAlive) {
    auto sent = connection.KeepAlive();
    if (!sent) return Describe(sent.error());
    return BrokerAnswer{};
  }
  if (command.pluginChannel) {
    const uint32_t processId =
        command.channelForSelf ? static_cast<uint32_t>(GetCurrentProcessId()) : command.processId;
    auto reply = connection.GetPluginChannel(processId);
    if (!reply) return Describe(reply.error());
    // A handle given to this process stays open until the tool ends: the
    // broker connects to it after replying, and closing it early would leave
    // the broker retrying.
    return BrokerAnswer{0, {}, reply->status, reply->handle, processId};
  }
  auto reply =
      connection.Request(command.operation, command.hive, command.path, command.name, command.data);
  if (!reply) return Describe(reply.error());
  return BrokerAnswer{reply->status, std::move(reply->text)};
}

std::vector<std::string> LiveBroker::TakeDiagnostics() {
  return parts_->monitor ? parts_->monitor->TakeOutput() : std::vector<std::string>{};
}

std::optional<uint32_t> LiveBroker::Finish() {
  parts_->connection->Close();
  if (parts_->monitor) return parts_->monitor->WaitForExit(kExitWaitMs);
  return parts_->process->WaitForExit(kExitWaitMs);
}

}  // namespace corvane::cli
