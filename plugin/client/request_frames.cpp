#include "plugin/client/request_frames.h"

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

// A whole message in its declared shape.
template <class Shape>
std::vector<uint8_t> Encode(Shape message) {
  std::vector<ipc::MsgParam> params(protocol::kParamCount<Shape>);
  std::vector<ipc::MsgParam*> pointers;
  for (auto& p : params) pointers.push_back(&p);
  ipc::MakeParams(std::move(message), pointers.data());
  return EncodeMessage(Shape::kId, std::move(params));
}

// `message` read as the reply it should be, or Malformed saying what came.
template <class Shape>
Result<Shape> Expect(const Message& message, const char* what) {
  Shape shape;
  if (message.id == Shape::kId &&
      ipc::ReadParams(message.params.data(), message.params.size(), shape)) {
    return shape;
  }
  std::string expected =
      std::string("expected ") + what + " " + std::to_string(Shape::kId) + " with tags (";
  for (size_t i = 0; i < protocol::kParamCount<Shape>; ++i) {
    if (i != 0) expected += ", ";
    expected += std::to_string(Shape::kTags[i]);
  }
  return Malformed(expected + "), got " + Describe(message));
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
  return Encode(
      protocol::BrokerRequest{operation, hive, std::move(path), std::move(name), std::move(data)});
}

std::vector<uint8_t> EncodeGetPluginChannel(uint32_t processId) {
  return Encode(protocol::GetPluginChannel{processId});
}

std::vector<uint8_t> EncodeKeepAlive() {
  return Encode(protocol::KeepAlive{});
}

Result<Reply> ToReply(const Message& message) {
  auto reply = Expect<protocol::BrokerReply>(message, "reply");
  if (!reply) return reply.error();
  return Reply{reply->status, std::move(reply->text)};
}

Result<PluginChannel> ToPluginChannel(const Message& message) {
  const auto reply = Expect<protocol::PluginChannelReply>(message, "reply");
  if (!reply) return reply.error();
  return PluginChannel{reply->status, reply->handle};
}

}  // namespace corvane::client
