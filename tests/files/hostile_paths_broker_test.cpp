// The hostile-path suite with every request sent through the real broker
// process over its pipe, by the plug-in client library.
#include <optional>

#include "plugin/client/broker_session.h"
#include "tests/files/hostile_paths_suite.h"

namespace corvane::test {

namespace {

std::optional<client::BrokerSession>& Session() {
  static std::optional<client::BrokerSession> session;
  return session;
}

}  // namespace

Reply SendRequest(uint32_t operation, const std::u16string& path, const std::u16string& name,
                  const std::u16string& data) {
  auto& session = Session();
  if (!session) {
    auto launched = client::BrokerSession::Launch();
    if (!launched) {
      ADD_FAILURE() << "broker did not start: " << launched.error().message;
      return {};
    }
    session.emplace(std::move(launched).value());
  }
  auto reply = session->connection.Request(operation, 0, path, name, data);
  if (!reply) {
    // A broker that stopped answering is a finding; start a fresh one for the rest.
    ADD_FAILURE() << "broker failed on operation " << operation << ", path of " << path.size()
                  << " units: " << reply.error().message;
    session.reset();
    return {};
  }
  return Reply{reply->status, reply->text};
}

}  // namespace corvane::test
