// The frames the plug-in sends (requests 6 and 3, message 1) and the check
// that what comes back is the reply that was asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "plugin/client/client_result.h"
#include "protocol/operations.h"

namespace corvane::client {

// One whole message as it came off the pipe.
struct Message {
  int32_t id = -1;
  std::vector<ipc::MsgParam> params;
};

// Reply 7: a status code and a text.
struct Reply {
  int32_t status = 0;
  std::u16string text;
  bool ok() const { return status == StatusCode(BrokerStatus::Ok); }
};

using ipc::kNoHandle;

// Reply 4: a system error code (0 on success) and a handle valid in the
// process that asked for the channel.
struct PluginChannel {
  uint32_t status = 0;
  uint64_t handle = kNoHandle;
  bool ok() const { return status == 0 && handle != kNoHandle; }
};

// "Ok", "NotFound", "Denied", "Failed", "Invalid"; "Unknown" for any other code.
using ::corvane::StatusName;

// One frame; empty if a parameter's type cannot be encoded.
std::vector<uint8_t> EncodeMessage(int32_t id, std::vector<ipc::MsgParam> params);
// Request 6 (protocol::BrokerRequest).
std::vector<uint8_t> EncodeBrokerRequest(uint32_t operation, int32_t hive, std::u16string path,
                                         std::u16string name, std::u16string data);
// Request 3 (protocol::GetPluginChannel).
std::vector<uint8_t> EncodeGetPluginChannel(uint32_t processId);
// Message 1 with a single 32-bit 0: keeps the channel alive, never answered.
std::vector<uint8_t> EncodeKeepAlive();

// Malformed unless `message` is reply 7 with exactly its declared tags.
Result<Reply> ToReply(const Message& message);
// Malformed unless `message` is reply 4 with exactly its declared tags.
Result<PluginChannel> ToPluginChannel(const Message& message);

}  // namespace corvane::client
