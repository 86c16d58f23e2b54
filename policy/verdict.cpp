#include "policy/verdict.h"

namespace corvane {

const char* VerdictText(int32_t verdict) {
  switch (verdict) {
    case static_cast<int32_t>(PolicyVerdict::Allow):
      return "allow";
    case static_cast<int32_t>(PolicyVerdict::UnknownHive):
      return "denied: unknown hive";
    case static_cast<int32_t>(PolicyVerdict::OutsideSubtree):
      return "denied: outside Corvane subtree";
    case static_cast<int32_t>(PolicyVerdict::Malformed):
      return "denied: malformed key";
    case static_cast<int32_t>(PolicyVerdict::WriteToReadOnlyHive):
      return "denied: write to read-only hive";
    default:
      return "denied";
  }
}

}  // namespace corvane
