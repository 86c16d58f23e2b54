// Which texts may be handed to the shell's "open" verb.
#pragma once

#include <cstddef>
#include <string_view>

#include "policy/grants.h"  // kMaxShellTargetLength
#include "policy/verdict.h"

namespace corvane {

// A target as judged: the verdict and, when it allows, the type whose handler
// alone may open the target: the extension of a document (".pdf"), the scheme
// of a web address ("https"), in lower case. A shell handed the bare target
// may look at it as a program before it looks at its type.
struct JudgedShellTarget {
  PolicyVerdict verdict = PolicyVerdict::Malformed;
  std::u16string_view type;  // one of the rule's constants; empty unless allowed
  bool isFile = false;       // a document named by its path, not by an address
};

// Refuses every "%NAME%" that could name a variable, except names starting
// with two hex digits (web addresses' percent escapes): whether such a text
// expands in the process's environment is for the caller to compare.
JudgedShellTarget JudgeShellTarget(std::u16string_view target);
inline PolicyVerdict CheckShellTarget(std::u16string_view target) {
  return JudgeShellTarget(target).verdict;
}

}  // namespace corvane
