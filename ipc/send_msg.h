// Encodes one message and writes it through a channel's transport in a
// single write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/encoder.h"
#include "ipc/msg_param.h"
#include "protocol/wire.h"

namespace ipc {

inline constexpr int64_t kSendOk = 0;
inline constexpr int64_t kSendUnencodable = -3;
inline constexpr int64_t kSendWriteFailed = -4;

// Builds the frame into `encoder`; false if a parameter cannot be encoded,
// including a frame larger than any receiver accepts. With `consume`, the
// parameters' texts may be taken, and a last 16-bit text with room to spare
// becomes the frame's own storage.
inline bool EncodeMsg(Encoder& encoder, int32_t msgId, MsgParam** params, int32_t count,
                      bool consume = false) {
  encoder.Begin(count);
  for (int32_t i = 0; i < count; ++i) {
    const bool inPlace = consume && i == count - 1 && encoder.AddLastText16InPlace(*params[i]);
    if (!inPlace && !encoder.AddParam(*params[i])) return false;
  }
  encoder.Finish(msgId);
  return static_cast<int64_t>(encoder.wordCount()) <= corvane::wire::kMaxWords;
}

// A channel's encoder keeps its storage up to this many words.
inline constexpr size_t kKeptEncoderWords = kKeptStorageBytes / sizeof(uint64_t);

// Encodes and writes one message in the channel's encoder; the parameters'
// texts may be taken.
template <class Channel>
int64_t SendMsg(Channel* channel, int32_t msgId, MsgParam** params, int32_t count) {
  // A send made while another is being written on the same channel (a
  // window message pumped during the write) must not touch the frame being
  // written.
  Encoder fresh;
  const bool useKept = !channel->encoderInUse;
  Encoder& encoder = useKept ? channel->encoder : fresh;
  encoder.kept = channel->kept;
  struct InUse {
    bool& flag;
    bool set;
    ~InUse() {
      if (set) flag = false;
    }
  } inUse{channel->encoderInUse, useKept};
  if (useKept) channel->encoderInUse = true;
  int64_t result = kSendUnencodable;
  if (EncodeMsg(encoder, msgId, params, count, true)) {
    result =
        channel->transport->Write(encoder.data(), encoder.byteSize()) ? kSendOk : kSendWriteFailed;
  }
  encoder.Release(kKeptEncoderWords);
  return result;
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
