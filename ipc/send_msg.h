// Encodes one message and writes it through a channel's transport in a
// single write.
#pragma once

#include <cstdint>

#include "ipc/encoder.h"
#include "ipc/msg_param.h"
#include "ipc/wire.h"

namespace ipc {

inline constexpr int64_t kSendOk = 0;
inline constexpr int64_t kSendUnencodable = -3;
inline constexpr int64_t kSendWriteFailed = -4;

// Builds the frame into `encoder`; false if a parameter cannot be encoded,
// including a frame larger than any receiver accepts.
inline bool EncodeMsg(Encoder& encoder, int32_t msgId, MsgParam** params, int32_t count) {
  encoder.Begin(count);
  for (int32_t i = 0; i < count; ++i) {
    if (!encoder.AddParam(*params[i])) return false;
  }
  encoder.Finish(msgId);
  return static_cast<int64_t>(encoder.words.size()) <= wire::kMaxWords;
}

template <class Channel>
int64_t SendMsg(Channel* channel, int32_t msgId, MsgParam** params, int32_t count) {
  Encoder encoder;
  if (!EncodeMsg(encoder, msgId, params, count)) return kSendUnencodable;
  return channel->transport->Write(encoder.data(), encoder.byteSize()) ? kSendOk : kSendWriteFailed;
}

// Gives a service the two-parameter send on its channel type.
template <class Channel>
class MsgOut {
 public:
  int64_t SendMsg(Channel* channel, int32_t msgId, MsgParam& first, MsgParam& second) {
    MsgParam* params[2] = {&first, &second};
    return ipc::SendMsg(channel, msgId, params, 2);
  }

 protected:
  ~MsgOut() = default;
};

}  // namespace ipc
