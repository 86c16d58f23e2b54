// The verdict every access check returns, and its text for log lines.
#pragma once

#include <cstdint>

namespace corvane {

enum class PolicyVerdict : int32_t {
  Allow = 0,
  UnknownHive = 1,
  OutsideSubtree = 2,
  Malformed = 3,
  WriteToReadOnlyHive = 4,
};

// "allow", "denied: unknown hive", ...; "denied" for any other code.
const char* VerdictText(int32_t verdict);
inline const char* VerdictText(PolicyVerdict verdict) {
  return VerdictText(static_cast<int32_t>(verdict));
}

}  // namespace corvane
