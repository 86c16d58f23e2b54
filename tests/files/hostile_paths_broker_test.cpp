// The hostile-path suite with every request sent through the real broker
// process over its pipe, by the plug-in client library.
#include <optional>

#include "tests/files/hostile_paths_suite.h"
#include "tests/support/broker_suite.h"

namespace corvane::test {

Reply SendRequest(BrokerOperation operation, const std::u16string& path, const std::u16string& name,
                  const std::u16string& data) {
  static std::optional<BrokerSession> session;
  if (!session) session.emplace(LaunchBroker());
  const Reply reply = Send(session->connection, operation, path, name, data);
  // A broker that stopped answering is a finding, reported by Send; the
  // requests after it get a fresh one.
  if (reply == Reply{}) session.reset();
  return reply;
}

}  // namespace corvane::test
