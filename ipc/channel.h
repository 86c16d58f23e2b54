// A channel over a byte transport: the receive loop that reads, decodes and
// dispatches one message at a time. Generic over the transport so that the
// same loop runs over a named pipe or an in-memory transport.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ipc/decoder.h"
#include "ipc/encoder.h"
#include "ipc/handler.h"
#include "ipc/kept_storage.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "protocol/wire.h"

namespace ipc {

// Message 1 with a single scalar 0 only keeps the channel alive.
inline bool IsKeepAlive(const MsgParamList& list) {
  if (list.msgId != kMsgKeepAlive || list.count != 1) return false;
  const MsgParam& p = list.params[0];
  switch (p.type) {
    case kInt32A:
    case kInt32:
    case kInt32B:
    case kUint32:
      return (p.value & 0xFFFFFFFFull) == 0;
    case kByte:
      return (p.value & 0xFFull) == 0;
    case kInt16:
      return (p.value & 0xFFFFull) == 0;
    case kInt64:
      return p.value == 0;
    default:
      return false;
  }
}

template <class Transport, class Dec = Decoder>
class Channel {
 public:
  using Handler = MsgHandlerBase<Channel>;

  // `keep`: the storage this channel's large messages reuse from one to the
  // next (the owner's, and it outlives the channel); null keeps none.
  explicit Channel(Transport* t, KeptStorage* keep = nullptr) : transport(t), kept(keep) {}

  Transport* transport;
  KeptStorage* kept;
  int32_t lastMessageId = -1;
  // What SendMsg builds a frame in, with the storage it keeps (up to 64 KiB)
  // between messages; `encoderInUse` while a frame built in it is written.
  Encoder encoder;
  bool encoderInUse = false;

  // Serves messages until a handler asks to stop or the transport ends.
  // `findService(id)` returns the handler registered for an id, or null.
  template <class FindService>
  int64_t ReceiveLoop(Handler* defaultHandler, FindService&& findService) {
    MsgParamList list;
    list.kept = kept;
    Dec decoder(&list, kept);
    for (;;) {
      if (!FillAndDecode(decoder)) return kTransportEnded;
      lastMessageId = list.msgId;
      if (decoder.state() != kDone) return kBadFrameResult;
      if (list.count > static_cast<uint64_t>(corvane::wire::kMaxParams)) return kTooManyParams;
      const auto count = static_cast<int32_t>(list.count);
      int64_t result = 0;
      if (!IsKeepAlive(list)) {
        MsgParam* params[MsgParamList::kSlots];
        for (int32_t i = 0; i < count; ++i) params[i] = &list.params[i];
        Handler* handler = findService(list.msgId);
        if (handler == nullptr) handler = defaultHandler;
        if (handler == nullptr) return kNoHandler;
        result = handler->OnMsgReceived(list.msgId, this, params, count);
      }
      list.Clear();
      list.msgId = -1;
      decoder.Reset();
      if (result != 0) return result;
    }
  }

 private:
  // Reads until the decoder stops asking for more; false when the transport
  // delivered nothing. Leaves the decoder Complete or BadFrame.
  bool FillAndDecode(Dec& decoder) {
    for (;;) {
      if (decoder.buffered().empty() || decoder.lastResult() == kNeedMore) {
        do {
          size_t got = 0;
          const uint8_t* bytes = transport->Read(got);
          if (bytes == nullptr || got == 0) return false;
          decoder.Append(bytes, got);
        } while (decoder.buffered().size() % 8 != 0);
      }
      if (decoder.Decode() != kNeedMore) return true;
    }
  }
};

}  // namespace ipc
