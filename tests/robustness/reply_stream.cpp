#include "tests/robustness/reply_stream.h"

#include "ipc/decoder.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"

namespace corvane::test {

namespace {

bool IsWellFormedReply(const ipc::MsgParamList& list) {
  if (list.count != 2) return false;
  const ipc::MsgParam& a = list.params[0];
  const ipc::MsgParam& b = list.params[1];
  if (list.msgId == ipc::kMsgBrokerReply) return a.type == ipc::kInt32 && b.type == ipc::kText16;
  if (list.msgId == ipc::kMsgPluginChannelReply) {
    return a.type == ipc::kUint32 && b.type == ipc::kInt64;
  }
  return false;
}

}  // namespace

ReplyScan ScanReplies(const std::vector<uint8_t>& bytes) {
  ReplyScan scan;
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  decoder.Append(bytes.data(), bytes.size());
  for (;;) {
    const ipc::DecodeResult r = decoder.Decode();
    if (r == ipc::kNeedMore) return scan;  // a reply still on its way
    if (r != ipc::kComplete || !IsWellFormedReply(list)) {
      scan.malformed = true;
      return scan;
    }
    ++scan.replies;
    if (list.msgId == ipc::kMsgBrokerReply && list.params[0].Low32() == 0 &&
        list.params[1].text16 == u"pong") {
      ++scan.pongs;
    }
    list.Clear();
    list.msgId = -1;
    decoder.Reset();
  }
}

}  // namespace corvane::test
