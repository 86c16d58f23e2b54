#include "requests/corvane_broker_registry_svc.h"

#include "ipc/debug_output.h"
#include "ipc/send_msg.h"

void CorvaneBrokerRegistrySvc::HandleRequest(uint32_t& operation, int32_t& hive,
                                             std::u16string& path, std::u16string& name,
                                             std::u16string& data, int32_t& status,
                                             std::u16string& text) {
  try {
    status = corvane::StatusCode(corvane::DispatchOperation(
        operation, static_cast<corvane::RegistryHive>(hive), path, name, data, text));
  } catch (...) {
    // Memory exhaustion or a container limit: the plug-in gets a failure and
    // the channel goes on.
    ipc::DebugOutput("[CorvaneBroker] request threw; reported as failed\n");
    text.clear();
    status = corvane::StatusCode(corvane::BrokerStatus::Failed);
  }
}

int64_t CorvaneBrokerRegistrySvc::Serve(ipc::BrokerChannel* channel, In& in) {
  const int64_t sent = ServerTuple_5_2::Serve(channel, in);
  if (sent != ipc::kSendUnencodable) return sent;
  // Nothing was written: the plug-in still waits for its one reply.
  ipc::DebugOutput("[CorvaneBroker] reply too large; reported as failed\n");
  ipc::MsgParam status;
  ipc::MsgParam text;
  ipc::MsgParamConverter<ipc::kMsgBrokerReply>::Build(
      corvane::StatusCode(corvane::BrokerStatus::Failed), std::u16string(), status, text);
  return SendMsg(channel, ipc::kMsgBrokerReply, status, text);
}
