// A service with five in-values and two out-values: request 6 in, reply 7 out.
#pragma once

#include <cstdint>
#include <string>

#include "ipc/handler.h"
#include "ipc/kept_storage.h"
#include "ipc/msg_in.h"
#include "protocol/operations.h"

namespace ipc {

template <class InConverter, class OutConverter, class Svc, int ReplyId, int RequestId,
          class Channel>
class ServerTuple_5_2 : public SandboxPISvcBase<Channel>, public MsgIn<RequestId, Svc, Channel> {
 public:
  int64_t OnMsgReceived(int32_t id, Channel* channel, MsgParam** params, int32_t count) override {
    return this->ReceiveTyped(id, channel, params, count);
  }

  virtual void HandleRequest(uint32_t& operation, int32_t& hive, std::u16string& path,
                             std::u16string& name, std::u16string& data, int32_t& status,
                             std::u16string& text) = 0;

  // Calls the service operation and always attempts the reply, even when the
  // operation throws. The reply's text comes empty but with the storage the
  // channel kept from an earlier large message, so that a large answer (a
  // file read) is built in pages already touched; the frame is then built in
  // it too and goes back to the channel once sent.
  int64_t Serve(Channel* channel, typename InConverter::In& in) {
    int32_t status = kStatusWhenUnset;
    std::u16string text = TakeText(channel->kept);
    text.clear();  // what an earlier message held never reaches this reply
    try {
      HandleRequest(in.operation, in.hive, in.path, in.name, in.data, status, text);
    } catch (...) {
    }
    // The storage of a large request text (a file write's contents) serves
    // the next large message.
    KeepText(channel->kept, in.data);
    MsgParam p0, p1;
    OutConverter::Build(status, std::move(text), p0, p1);
    MsgParam* reply[2] = {&p0, &p1};
    return ipc::SendMsg(channel, ReplyId, reply, 2);
  }

 protected:
  // An operation that left without setting its status failed.
  static constexpr int32_t kStatusWhenUnset = corvane::StatusCode(corvane::BrokerStatus::Failed);
  ~ServerTuple_5_2() = default;
};

}  // namespace ipc
