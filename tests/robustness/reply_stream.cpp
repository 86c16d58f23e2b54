#include "tests/robustness/reply_stream.h"

#include "ipc/decoder.h"
#include "tests/support/frames.h"

namespace corvane::test {

ReplyScan ScanReplies(const std::vector<uint8_t>& bytes) {
  ReplyScan scan;
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  decoder.Append(bytes.data(), bytes.size());
  for (;;) {
    const ipc::DecodeResult r = decoder.Decode();
    if (r == ipc::kNeedMore) return scan;  // a reply still on its way
    const Message message{list.msgId, {list.params, list.params + list.count}};
    const auto reply = client::ToReply(message);
    if (r != ipc::kComplete || (!reply && !client::ToPluginChannel(message))) {
      scan.malformed = true;
      return scan;
    }
    ++scan.replies;
    if (reply && ReplyOf(reply.value()) == Reply{BrokerStatus::Ok, u"pong"}) ++scan.pongs;
    list.Clear();
    list.msgId = -1;
    decoder.Reset();
  }
}

}  // namespace corvane::test
