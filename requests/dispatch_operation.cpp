// The order in which a request is judged: ping, file and shell operations,
// the key-tree copy with its two checks, then one key check for every other
// code before the registry operation table.
#include <string>

#include "ipc/debug_output.h"
#include "policy/registry_key_policy.h"
#include "policy/verdict.h"
#include "registry/registry_enum.h"
#include "requests/broker_request.h"
#include "requests/corvane_broker_registry_svc.h"
#include "requests/file_shell_operations.h"
#include "requests/registry_operations.h"

namespace corvane {
namespace {

constexpr int32_t Code(BrokerStatus status) {
  return static_cast<int32_t>(status);
}

int32_t CopyKeyTree(int32_t hive, const std::u16string& source, const std::u16string& destination) {
  // Both checks always run, so neither verdict depends on the other.
  const JudgedKey from = JudgeRegistryKey(hive, source, false);
  const JudgedKey to = JudgeRegistryKey(hive, destination, true);
  if (from.verdict != PolicyVerdict::Allow || to.verdict != PolicyVerdict::Allow) {
    ipc::DebugOutput("[CorvaneBroker] copy tree denied\n");
    return Code(BrokerStatus::Denied);
  }
  return Code(RegistryCopyTree(hive, from.text, to.text) ? BrokerStatus::Ok
                                                         : BrokerStatus::NotFound);
}

}  // namespace

int32_t DispatchOperation(uint32_t operation, int32_t hive, const std::u16string& path,
                          const std::u16string& name, const std::u16string& data,
                          std::u16string& text) {
  text.clear();
  if (operation == static_cast<uint32_t>(BrokerOperation::Ping)) {
    text = u"pong";
    return Code(BrokerStatus::Ok);
  }
  int32_t status = 0;
  if (DispatchFileOrShellOperation(operation, path, name, data, text, status)) return status;
  if (operation == static_cast<uint32_t>(BrokerOperation::CopyKeyTree)) {
    return CopyKeyTree(hive, path, name);
  }

  // Unassigned codes pass the key check too, as readers.
  const JudgedKey key = JudgeRegistryKey(hive, path, IsWritingOperation(operation));
  if (key.verdict != PolicyVerdict::Allow) {
    const std::string line = std::string("[CorvaneBroker] ") + VerdictText(key.verdict) + "\n";
    ipc::DebugOutput(line.c_str());
    return Code(BrokerStatus::Denied);
  }
  // The registry gets the key exactly as it was judged.
  return PerformRegistryOperation(operation, hive, key.text, name, data, text);
}

}  // namespace corvane
