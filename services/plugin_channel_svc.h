// Answers message 3: makes a private pipe for a plug-in, moves its server
// end into the plug-in's process, replies with message 4 and then connects
// to the pipe as its client. At most kMaxPluginChannels channels are held at
// once; a request beyond that gets ERROR_TOO_MANY_OPEN_FILES and no pipe.
// Windows only.
#pragma once

#include <cstdint>

#include "ipc/broker_channel.h"
#include "ipc/handler.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_in.h"
#include "services/plugin_channels.h"

class SbxPISDKGetHandleToPluginIPCChannelSvc final
    : public ipc::SandboxPISvcBase<ipc::BrokerChannel>,
      public ipc::MsgIn<ipc::kMsgGetPluginChannel, SbxPISDKGetHandleToPluginIPCChannelSvc,
                        ipc::BrokerChannel> {
 public:
  using In = ipc::MsgParamConverter<ipc::kMsgGetPluginChannel>::In;

  int64_t OnMsgReceived(int32_t id, ipc::BrokerChannel* channel, ipc::MsgParam** params,
                        int32_t count) override {
    return ReceiveTyped(id, channel, params, count);
  }

  // Called by the typed entry once the message has the right shape.
  int64_t Serve(ipc::BrokerChannel* channel, In& in) {
    return CreatePluginChannel(channel, in.processId);
  }

  // Returns the result of sending reply 4 (0, -3 or -4).
  int64_t CreatePluginChannel(ipc::BrokerChannel* channel, uint32_t processId);

 private:
  // The broker's ends of the channels made so far; they close with the service.
  corvane::PluginChannels channels_;
};
