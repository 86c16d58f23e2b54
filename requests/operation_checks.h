// The access checks of the operation table's rows, run before any action.
// Windows only: the path rules are fed the user's folders, and a shell target
// is compared with its expansion in the broker's environment.
#pragma once

#include <optional>

#include "policy/verdict.h"
#include "requests/operation_actions.h"

namespace corvane {

// A check's verdict and how a refusal names the request: the line is
// "[CorvaneBroker] " + subject + reason, the reason being the verdict's text,
// or just "denied" where a request was judged twice. `request` is there
// exactly when the verdict allows.
struct CheckOutcome {
  PolicyVerdict verdict = PolicyVerdict::Allow;
  const char* subject = "";
  bool lineGivesReason = true;
  std::optional<CheckedRequest> request = std::nullopt;
};

// Runs `check` on `fields` (the key check for writing when `writes`) and,
// when it allows, hands out the checked request with what the action must
// use: the judged key texts, the folder the rule was fed, or the type of a
// shell target.
CheckOutcome RunCheck(OperationCheck check, const RequestFields& fields, bool writes);

}  // namespace corvane
