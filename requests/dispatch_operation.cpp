// A request's way through the operation table: find the row, run its check,
// refuse with one diagnostic line or run its action on what was judged.
#include <string>
#include <string_view>

#include "ipc/debug_output.h"
#include "policy/registry_key_policy.h"
#include "protocol/operations.h"
#include "requests/corvane_broker_registry_svc.h"
#include "requests/operation_actions.h"
#include "requests/operation_checks.h"

namespace corvane {

BrokerStatus action::Ping(const CheckedRequest&, std::u16string& text) {
  text += u"pong";
  return BrokerStatus::Ok;
}

namespace {

struct ActionRow {
  BrokerOperation code;
  OperationAction act;
};

// The actions, row for row in the order of kOperations (checked below).
constexpr ActionRow kActions[] = {
    {BrokerOperation::ReadString, action::ReadString},
    {BrokerOperation::WriteString, action::WriteString},
    {BrokerOperation::ReadDword, action::ReadDword},
    {BrokerOperation::WriteDword, action::WriteDword},
    {BrokerOperation::DeleteValue, action::DeleteValue},
    {BrokerOperation::DeleteKey, action::DeleteKey},
    {BrokerOperation::DeleteKeyTree, action::DeleteKeyTree},
    {BrokerOperation::KeyExists, action::KeyExists},
    {BrokerOperation::ListSubkeys, action::ListSubkeys},
    {BrokerOperation::ListValues, action::ListValues},
    {BrokerOperation::Ping, action::Ping},
    {BrokerOperation::ReadQword, action::ReadQword},
    {BrokerOperation::WriteQword, action::WriteQword},
    {BrokerOperation::FileRead, action::FileRead},
    {BrokerOperation::FileWrite, action::FileWrite},
    {BrokerOperation::FileExists, action::FileExists},
    {BrokerOperation::FileDelete, action::FileDelete},
    {BrokerOperation::ShellOpen, action::ShellOpen},
    {BrokerOperation::CopyKeyTree, action::CopyKeyTree},
    {BrokerOperation::FileCopy, action::FileCopy},
    {BrokerOperation::FileExport, action::FileExport},
};

constexpr bool ActionsFollowTheTable() {
  if (std::size(kActions) != kOperationCount) return false;
  for (size_t i = 0; i < kOperationCount; ++i) {
    if (kActions[i].code != kOperations[i].code) return false;
  }
  return true;
}
static_assert(ActionsFollowTheTable(), "kActions must list kOperations' codes in the same order");

// The one refusal line: "[CorvaneBroker] " + subject + reason.
BrokerStatus Refuse(const char* subject, const char* reason) {
  std::string line = "[CorvaneBroker] ";
  line += subject;
  line += reason;
  line += '\n';
  ipc::DebugOutput(line.c_str());
  return BrokerStatus::Denied;
}

BrokerStatus Dispatch(uint32_t operation, const RequestFields& fields, std::u16string& text) {
  const size_t index = OperationIndex(operation);
  // Unassigned codes pass the key check too, as readers.
  const OperationInfo* row = index < kOperationCount ? &kOperations[index] : nullptr;
  const CheckOutcome outcome = RunCheck(row != nullptr ? row->check : OperationCheck::RegistryKey,
                                        fields, row != nullptr && row->writes);
  if (!outcome.request) {
    return Refuse(outcome.subject,
                  outcome.lineGivesReason ? VerdictText(outcome.verdict) : "denied");
  }
  if (row == nullptr) return BrokerStatus::Invalid;
  if (row->nameRole == FieldRole::ValueName && !IsValidValueName(fields.name)) {
    return BrokerStatus::Invalid;
  }

  const BrokerStatus status = kActions[index].act(*outcome.request, text);
  // A real path judged outside, or a key reached through a link, is refused
  // like a path outside, with the line the check would have written.
  if (status == BrokerStatus::Denied) {
    return Refuse(outcome.subject,
                  outcome.lineGivesReason ? VerdictText(PolicyVerdict::OutsideSubtree) : "denied");
  }
  return status;
}

}  // namespace

BrokerStatus DispatchOperation(uint32_t operation, RegistryHive hive, const std::u16string& path,
                               const std::u16string& name, std::u16string& data,
                               std::u16string& text) {
  text.clear();
  const BrokerStatus status = Dispatch(operation, {hive, path, name, data}, text);
  // A refused or failed request answers no text, whatever an action left.
  if (status != BrokerStatus::Ok) text.clear();
  return status;
}

}  // namespace corvane
