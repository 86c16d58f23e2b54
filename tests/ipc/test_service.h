// A request-6 service for dispatch tests: records what reaches it and
// answers with whatever the test asks for.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ipc/message_shapes.h"
#include "ipc/server_tuple.h"

namespace corvane::test {

template <class Channel>
class TestSvc final
    : public ipc::ServerTuple_5_2<ipc::MsgParamConverter<6>, ipc::MsgParamConverter<7>,
                                  TestSvc<Channel>, 7, 6, Channel> {
  using Base = ipc::ServerTuple_5_2<ipc::MsgParamConverter<6>, ipc::MsgParamConverter<7>,
                                    TestSvc<Channel>, 7, 6, Channel>;

 public:
  struct Call {
    uint32_t operation;
    int32_t hive;
    std::u16string path, name, data;
  };
  enum class Answer { Echo, Throw, SetThenThrow };

  std::vector<Call> calls;
  std::vector<int32_t> countErrors;
  std::vector<int32_t> paramErrors;
  Answer answer = Answer::Echo;
  bool errorsAnswer = false;  // what the two error callbacks return
  // Runs at the start of every HandleRequest, for tests that look at the
  // transport at that moment.
  std::function<void()> onRequest;

  // Echo answers status = operation + hive and text = path + name + data.
  void HandleRequest(uint32_t& operation, int32_t& hive, std::u16string& path, std::u16string& name,
                     std::u16string& data, int32_t& status, std::u16string& text) override {
    if (onRequest) onRequest();
    calls.push_back({operation, hive, path, name, data});
    switch (answer) {
      case Answer::Echo:
        status = static_cast<int32_t>(operation) + hive;
        text = path + name + data;
        return;
      case Answer::Throw:
        throw std::runtime_error("service failed");
      case Answer::SetThenThrow:
        status = 5;
        text = u"partial";
        throw 42;
    }
  }

  bool OnMsgArgCountError(int32_t count) override {
    countErrors.push_back(count);
    return Base::OnMsgArgCountError(count) || errorsAnswer;
  }
  bool OnMsgParamError(int32_t code) override {
    paramErrors.push_back(code);
    return Base::OnMsgParamError(code) || errorsAnswer;
  }
};

}  // namespace corvane::test
