#include "tests/robustness/base_frames.h"

#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "ipc/send_msg.h"

namespace corvane::test {

namespace {

using ipc::MsgParam;

Bytes Encode(int32_t id, std::vector<MsgParam> params) {
  std::vector<MsgParam*> pointers;
  for (auto& p : params) pointers.push_back(&p);
  ipc::Encoder encoder;
  if (!ipc::EncodeMsg(encoder, id, pointers.data(), static_cast<int32_t>(pointers.size()))) {
    return {};
  }
  const auto* b = static_cast<const uint8_t*>(encoder.data());
  return Bytes(b, b + encoder.byteSize());
}

Bytes Request(uint32_t operation, int32_t hive, std::u16string path, std::u16string name,
              std::u16string data) {
  return Encode(ipc::kMsgBrokerRequest,
                {MsgParam::Scalar(ipc::kInt32, operation),
                 MsgParam::Scalar(ipc::kInt32, static_cast<uint32_t>(hive)),
                 MsgParam::Text16(std::move(path)), MsgParam::Text16(std::move(name)),
                 MsgParam::Text16(std::move(data))});
}

}  // namespace

Bytes PingFrame() {
  return Request(11, 0, u"", u"", u"");
}

std::vector<Bytes> BaseFrames(const std::u16string& appDataCorvane) {
  const std::u16string key = u"Software\\Corvane\\RobustnessTest";
  const std::u16string file = appDataCorvane + u"\\robustness-test.bin";
  std::vector<Bytes> frames = {
      PingFrame(),
      Encode(ipc::kMsgKeepAlive, {MsgParam::Scalar(ipc::kInt32, 0)}),
      Encode(ipc::kMsgKeepAlive, {MsgParam::Scalar(ipc::kInt64, 0)}),
      Request(1, 0, key, u"value", u""),
      Request(2, 0, key, u"value", u"text"),
      Request(3, 0, key, u"number", u""),
      Request(4, 0, key, u"number", u"-1"),
      Request(8, 0, key, u"", u""),
      Request(9, 0, key, u"", u""),
      Request(10, 0, key, u"", u""),
      Request(12, 1, key, u"q", u""),
      Request(13, 0, key, u"q", u"18446744073709551615"),
      Request(2, 1, key, u"value", u"x"),
      Request(1, 0, u"Software\\Elsewhere", u"value", u""),
      Request(1, 7, key, u"a\\b", u""),
      Request(0, 0, key, u"", u""),
      Request(19, 0, key, u"", u""),
      Request(14, 0, file, u"", u""),
      Request(15, 0, file, u"", u"00ff7f80"),
      Request(15, 0, file, u"", u"0g"),
      Request(16, 0, file, u"", u""),
      Request(17, 0, appDataCorvane + u"\\robustness-missing.bin", u"", u""),
      // Texts as null markers and as other string tags.
      Encode(ipc::kMsgBrokerRequest,
             {MsgParam::Scalar(ipc::kInt32, 11), MsgParam::Scalar(ipc::kInt32, 0),
              MsgParam::Scalar(ipc::kNullText16, 0), MsgParam::Text8("name", ipc::kText8),
              MsgParam::Text8("data", ipc::kBytes)}),
      // Wrong count and wrong types: dropped with a diagnostic line.
      Encode(ipc::kMsgBrokerRequest,
             {MsgParam::Scalar(ipc::kInt32, 11), MsgParam::Text16(u"0"), MsgParam::Text16(u""),
              MsgParam::Text16(u""), MsgParam::Text16(u"")}),
      Encode(ipc::kMsgBrokerRequest,
             {MsgParam::Scalar(ipc::kInt32, 11), MsgParam::Scalar(ipc::kInt32, 0)}),
      // Ids without a service end the session.
      Encode(2, {MsgParam::Scalar(ipc::kInt32, 0)}),
      Encode(ipc::kMsgBrokerReply, {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(u"pong")}),
  };
  // The most parameters a frame may carry.
  std::vector<MsgParam> twenty;
  for (int i = 0; i < 20; ++i) twenty.push_back(MsgParam::Text16(u"twenty"));
  frames.push_back(Encode(ipc::kMsgBrokerRequest, std::move(twenty)));
  return frames;
}

}  // namespace corvane::test
