#include "plugin/client/protocol.h"

#include <utility>

#include "ipc/message_shapes.h"
#include "ipc/send_msg.h"

namespace corvane::client {

namespace {

ClientError Malformed(std::string what) {
  return {ErrorKind::Malformed, std::move(what)};
}

std::string Describe(const Message& message) {
  std::string text = "message " + std::to_string(message.id) + " with tags (";
  for (size_t i = 0; i < message.params.size(); ++i) {
    if (i != 0) text += ", ";
    text += std::to_string(message.params[i].type);
  }
  return text + ")";
}

bool HasTags(const Message& message, int32_t first, int32_t second) {
  return message.params.size() == 2 && message.params[0].type == first &&
         message.params[1].type == second;
}

}  // namespace

std::vector<uint8_t> EncodeMessage(int32_t id, std::vector<ipc::MsgParam> params) {
  std::vector<ipc::MsgParam*> pointers;
  pointers.reserve(params.size());
  for (auto& p : params) pointers.push_back(&p);
  ipc::Encoder encoder;
  if (!ipc::EncodeMsg(encoder, id, pointers.data(), static_cast<int32_t>(pointers.size()))) {
    return {};
  }
  const auto* bytes = static_cast<const uint8_t*>(encoder.data());
  return std::vector<uint8_t>(bytes, bytes + encoder.byteSize());
}

std::vector<uint8_t> EncodeBrokerRequest(uint32_t operation, int32_t hive, std::u16string path,
                                         std::u16string name, std::u16string data) {
  std::vector<ipc::MsgParam> params;
  params.push_back(ipc::MsgParam::Scalar(ipc::kInt32, operation));
  params.push_back(ipc::MsgParam::Scalar(ipc::kInt32, static_cast<uint32_t>(hive)));
  params.push_back(ipc::MsgParam::Text16(std::move(path)));
  params.push_back(ipc::MsgParam::Text16(std::move(name)));
  params.push_back(ipc::MsgParam::Text16(std::move(data)));
  return EncodeMessage(ipc::kMsgBrokerRequest, std::move(params));
}

std::vector<uint8_t> EncodeGetPluginChannel(uint32_t processId) {
  std::vector<ipc::MsgParam> params;
  params.push_back(ipc::MsgParam::Scalar(ipc::kUint32, processId));
  return EncodeMessage(ipc::kMsgGetPluginChannel, std::move(params));
}

std::vector<uint8_t> EncodeKeepAlive() {
  std::vector<ipc::MsgParam> params;
  params.push_back(ipc::MsgParam::Scalar(ipc::kInt32, 0));
  return EncodeMessage(ipc::kMsgKeepAlive, std::move(params));
}

Result<Reply> ToReply(const Message& message) {
  if (message.id != ipc::kMsgBrokerReply || !HasTags(message, ipc::kInt32, ipc::kText16)) {
    return Malformed("expected reply 7 with tags (2, 25), got " + Describe(message));
  }
  return Reply{static_cast<int32_t>(message.params[0].Low32()), message.params[1].text16};
}

Result<PluginChannel> ToPluginChannel(const Message& message) {
  if (message.id != ipc::kMsgPluginChannelReply || !HasTags(message, ipc::kUint32, ipc::kInt64)) {
    return Malformed("expected reply 4 with tags (4, 7), got " + Describe(message));
  }
  return PluginChannel{message.params[0].Low32(), message.params[1].value};
}

}  // namespace corvane::client
