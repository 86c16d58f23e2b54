// The actions of the operation table. Each runs once its row's check has
// allowed the request, on exactly what the check judged, and answers a
// status (and for some a text). Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "policy/shell_policy.h"
#include "protocol/hives.h"
#include "protocol/operations.h"
#include "requests/file_primitives.h"

namespace corvane {

// A request as it arrived, before any check: what an action must never see.
// The data is not judged; an action may spend it (a file write decodes its
// contents in place).
struct RequestFields {
  RegistryHive hive;
  const std::u16string& path;
  const std::u16string& name;
  std::u16string& data;
};

// What a check established for the action to use.
struct Judgement {
  std::u16string key;             // the key as judged; a copy's source
  std::u16string destinationKey;  // a key-tree copy's destination as judged
  std::u16string folder;          // the folder a path rule was fed
  JudgedShellTarget shellTarget;  // what a shell target was judged to be
};

struct CheckOutcome;
CheckOutcome RunCheck(OperationCheck check, const RequestFields& fields, bool writes);

// A request that has passed its row's check, with what the check established.
// Only RunCheck makes one, and only when the check allows.
class CheckedRequest : public RequestFields, public Judgement {
 public:
  OperationCheck check;

  // The row's rule again, on the real path of what a file operation opened,
  // against the real path of `folder`. Looks that folder up when called.
  RealPathCheck RealPathInside() const;

 private:
  friend CheckOutcome RunCheck(OperationCheck, const RequestFields&, bool);
  CheckedRequest(OperationCheck rule, const RequestFields& fields, Judgement judged)
      : RequestFields(fields), Judgement(std::move(judged)), check(rule) {}
};

// `text` arrives empty, with the storage an earlier large reply left: an
// action appends its answer, so that storage serves this reply too.
using OperationAction = BrokerStatus (*)(const CheckedRequest& request, std::u16string& text);

namespace action {

// Registry values and keys: requests/registry_actions.cpp.
BrokerStatus ReadString(const CheckedRequest& request, std::u16string& text);
BrokerStatus WriteString(const CheckedRequest& request, std::u16string& text);
BrokerStatus ReadDword(const CheckedRequest& request, std::u16string& text);
BrokerStatus WriteDword(const CheckedRequest& request, std::u16string& text);
BrokerStatus ReadQword(const CheckedRequest& request, std::u16string& text);
BrokerStatus WriteQword(const CheckedRequest& request, std::u16string& text);
BrokerStatus DeleteValue(const CheckedRequest& request, std::u16string& text);
BrokerStatus DeleteKey(const CheckedRequest& request, std::u16string& text);
BrokerStatus DeleteKeyTree(const CheckedRequest& request, std::u16string& text);
BrokerStatus KeyExists(const CheckedRequest& request, std::u16string& text);
BrokerStatus ListSubkeys(const CheckedRequest& request, std::u16string& text);
BrokerStatus ListValues(const CheckedRequest& request, std::u16string& text);
BrokerStatus CopyKeyTree(const CheckedRequest& request, std::u16string& text);

// The ping, answered "pong": requests/dispatch_operation.cpp.
BrokerStatus Ping(const CheckedRequest& request, std::u16string& text);

// Files: requests/file_actions.cpp.
BrokerStatus FileRead(const CheckedRequest& request, std::u16string& text);
BrokerStatus FileWrite(const CheckedRequest& request, std::u16string& text);
BrokerStatus FileExists(const CheckedRequest& request, std::u16string& text);
BrokerStatus FileDelete(const CheckedRequest& request, std::u16string& text);
BrokerStatus FileCopy(const CheckedRequest& request, std::u16string& text);
BrokerStatus FileExport(const CheckedRequest& request, std::u16string& text);

// The shell: requests/shell_open.cpp.
BrokerStatus ShellOpen(const CheckedRequest& request, std::u16string& text);

}  // namespace action
}  // namespace corvane
