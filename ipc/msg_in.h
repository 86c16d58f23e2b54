// The typed message entry of a service: accepts exactly one message id,
// checks the argument count and types, and hands native values to the
// service's Serve.
#pragma once

#include <cstdint>

#include "ipc/handler.h"
#include "ipc/message_shapes.h"

namespace ipc {

template <int Id, class Svc, class Channel>
class MsgIn {
 protected:
  int64_t ReceiveTyped(int32_t id, Channel* channel, MsgParam** params, int32_t count) {
    Svc& svc = static_cast<Svc&>(*this);
    if (id != Id) return kNoHandler;
    using Converter = MsgParamConverter<Id>;
    if (count != Converter::kCount) return svc.OnMsgArgCountError(count) ? 1 : 0;
    typename Converter::In values;
    if (const ParamMismatch expected = Converter::Convert(params, values)) {
      return svc.OnMsgParamError(*expected) ? 1 : 0;
    }
    return svc.Serve(channel, values);
  }
  ~MsgIn() = default;
};

}  // namespace ipc
