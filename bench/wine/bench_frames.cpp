#include "bench/wine/bench_frames.h"

#include "ipc/decoder.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "ipc/send_msg.h"

namespace corvane::bench {

namespace {

std::vector<uint8_t> Encode(int32_t id, ipc::MsgParam** params, int32_t count) {
  ipc::Encoder encoder;
  if (!ipc::EncodeMsg(encoder, id, params, count)) return {};
  const auto* b = static_cast<const uint8_t*>(encoder.data());
  return std::vector<uint8_t>(b, b + encoder.byteSize());
}

}  // namespace

std::vector<uint8_t> RequestFrame(uint32_t operation, int32_t hive, const std::u16string& path,
                                  const std::u16string& name, const std::u16string& data) {
  ipc::MsgParam p[5] = {
      ipc::MsgParam::Scalar(ipc::kInt32, operation),
      ipc::MsgParam::Scalar(ipc::kInt32, static_cast<uint32_t>(hive)),
      ipc::MsgParam::Text16(path),
      ipc::MsgParam::Text16(name),
      ipc::MsgParam::Text16(data),
  };
  ipc::MsgParam* params[5] = {&p[0], &p[1], &p[2], &p[3], &p[4]};
  return Encode(ipc::kMsgBrokerRequest, params, 5);
}

std::vector<uint8_t> KeepAliveFrame() {
  ipc::MsgParam zero = ipc::MsgParam::Scalar(ipc::kInt32, 0);
  ipc::MsgParam* params[1] = {&zero};
  return Encode(ipc::kMsgKeepAlive, params, 1);
}

std::vector<uint8_t> ReplyFrame(size_t textUnits) {
  ipc::MsgParam status = ipc::MsgParam::Scalar(ipc::kInt32, 0);
  ipc::MsgParam text = ipc::MsgParam::Text16(std::u16string(textUnits, u'0'));
  ipc::MsgParam* params[2] = {&status, &text};
  return Encode(ipc::kMsgBrokerReply, params, 2);
}

bool ParseReply(const std::vector<uint8_t>& frame, int32_t& status, std::u16string& text) {
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  decoder.Append(frame.data(), frame.size());
  if (decoder.Decode() != ipc::kComplete) return false;
  if (list.msgId != ipc::kMsgBrokerReply || list.count != 2) return false;
  if (list.params[0].type != ipc::kInt32 || list.params[1].type != ipc::kText16) return false;
  status = static_cast<int32_t>(list.params[0].Low32());
  text = std::move(list.params[1].text16);
  return true;
}

}  // namespace corvane::bench
