// One real broker process for a whole test suite, for tests that send many
// requests through it. Windows only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "plugin/client/broker_session.h"

namespace corvane::test {

class BrokerSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto launched = client::BrokerSession::Launch();
    ASSERT_TRUE(launched) << launched.error().message;
    session_.emplace(std::move(launched).value());
  }
  static void TearDownTestSuite() { session_.reset(); }

  struct Reply {
    int32_t status = -1;
    std::u16string text;
  };
  // The broker's answer; an exchange that fails is a test failure and
  // answers status -1.
  static Reply Send(uint32_t operation, int32_t hive, const std::u16string& path,
                    const std::u16string& name = {}, const std::u16string& data = {}) {
    auto reply = session_->connection.Request(operation, hive, path, name, data);
    if (!reply) {
      ADD_FAILURE() << "no reply to operation " << operation << ": " << reply.error().message;
      return {};
    }
    return Reply{reply->status, reply->text};
  }

  // The running broker, for a test that ends it as a crash would; Relaunch
  // then starts a fresh one for the requests that follow.
  static client::BrokerSession& Session() { return *session_; }
  static void Relaunch() {
    session_.reset();
    SetUpTestSuite();
  }

 private:
  static inline std::optional<client::BrokerSession> session_;
};

}  // namespace corvane::test
