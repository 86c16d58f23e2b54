// The handler side of a channel: the interface every message handler
// implements, the fall-back for ids nothing serves, and the service base.
#pragma once

#include <cstdint>

#include "ipc/debug_output.h"
#include "ipc/msg_param.h"
#include "ipc/send_msg.h"

namespace ipc {

// Handler results: 0 keeps the channel going, anything else ends it.
inline constexpr int64_t kNoService = -1;
inline constexpr int64_t kTransportEnded = -5;
inline constexpr int64_t kBadFrameResult = -7;
inline constexpr int64_t kTooManyParams = -8;
inline constexpr int64_t kNoHandler = -10;

inline constexpr char kArgErrorLine[] = "!! svc:OnMsgArgCountError";

template <class Channel>
class MsgHandlerBase {
 public:
  virtual int64_t OnMsgReceived(int32_t id, Channel* channel, MsgParam** params, int32_t count) = 0;
  virtual bool OnMsgArgCountError(int32_t count) = 0;
  virtual bool OnMsgParamError(int32_t code) = 0;

 protected:
  // Handlers are never deleted through this interface.
  ~MsgHandlerBase() = default;
};

template <class Channel>
class MessageHandler : public MsgHandlerBase<Channel> {
 protected:
  ~MessageHandler() = default;
};

// Receives every message that no service serves and ends the channel.
template <class Channel>
class BadMessageRecv final : public MessageHandler<Channel> {
 public:
  int64_t OnMsgReceived(int32_t, Channel*, MsgParam**, int32_t) override { return kNoService; }
  bool OnMsgArgCountError(int32_t) override { return false; }
  bool OnMsgParamError(int32_t) override { return false; }
};

// Base of the broker's services: wrong argument counts and types are logged
// and dropped, so the channel goes on with the next message.
template <class Channel>
class SandboxPISvcBase : public MsgHandlerBase<Channel>, public MsgOut<Channel> {
 public:
  bool OnMsgArgCountError(int32_t) override {
    DebugOutput(kArgErrorLine);
    return false;
  }
  bool OnMsgParamError(int32_t) override {
    DebugOutput(kArgErrorLine);
    return false;
  }

 protected:
  ~SandboxPISvcBase() = default;
};

}  // namespace ipc
