// A broker started for this tool, and the connection to it. With
// diagnostics on, the broker runs under the debug monitor so that its debug
// output can be shown. Windows only.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin/cli/request_runner.h"

namespace corvane::cli {

class LiveBroker final : public BrokerLink {
 public:
  // `brokerPath` empty: corvane-broker.exe next to this program. An error
  // if the broker could not be started or reached. With `trace`, every
  // frame is printed there as it goes or comes, the broker's diagnostic
  // lines that came before an answer ahead of its frame.
  static client::Result<std::unique_ptr<LiveBroker>, std::string> Start(
      const std::u16string& brokerPath, bool showDiagnostics, std::ostream* trace);
  ~LiveBroker() override;

  client::Result<BrokerAnswer, std::string> Send(const CliCommand& command) override;
  std::vector<std::string> TakeDiagnostics() override;

  // Closes the connection, which ends the broker, and waits for it; its exit
  // code, or nothing if it did not end in time.
  std::optional<uint32_t> Finish();

 private:
  struct Parts;
  explicit LiveBroker(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace corvane::cli
