// The request service: receives request 6, applies the access policy,
// performs the operation and answers reply 7 with a status and a text.
#pragma once

#include <cstdint>
#include <string>

#include "ipc/broker_channel.h"
#include "ipc/message_shapes.h"
#include "ipc/server_tuple.h"
#include "protocol/hives.h"
#include "protocol/operations.h"

class CorvaneBrokerRegistrySvc final
    : public ipc::ServerTuple_5_2<ipc::MsgParamConverter<ipc::kMsgBrokerRequest>,
                                  ipc::MsgParamConverter<ipc::kMsgBrokerReply>,
                                  CorvaneBrokerRegistrySvc, ipc::kMsgBrokerReply,
                                  ipc::kMsgBrokerRequest, ipc::BrokerChannel> {
 public:
  using In = ipc::MsgParamConverter<ipc::kMsgBrokerRequest>::In;

  // The exception boundary of a request: anything thrown is reported as
  // status 3 with an empty text.
  void HandleRequest(uint32_t& operation, int32_t& hive, std::u16string& path, std::u16string& name,
                     std::u16string& data, int32_t& status, std::u16string& text) override;

  // Serves one request as the base does; a reply too large for a frame is
  // answered as failed with an empty text instead, so the session goes on.
  // The typed entry calls this one, hiding the base's.
  int64_t Serve(ipc::BrokerChannel* channel, In& in);
};

namespace corvane {

// Clears `text`, checks, performs, fills `text` and returns the status;
// `text` is empty unless the status is Ok. `hive` is the code as it arrived,
// which the key check judges. `data` may be spent by the action (a file
// write decodes its contents in place).
BrokerStatus DispatchOperation(uint32_t operation, RegistryHive hive, const std::u16string& path,
                               const std::u16string& name, std::u16string& data,
                               std::u16string& text);

}  // namespace corvane
