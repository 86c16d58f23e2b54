// Whether one key path lies below another, compared as the registry
// compares names. Windows only.
#pragma once

#include <string>

namespace corvane {

// True when `key` names a key strictly below `ancestor`: "\" separates
// (runs of it count as one, empty names are dropped), "/" belongs to a name,
// and case is ignored as the registry ignores it.
bool IsBelowKey(const std::u16string& key, const std::u16string& ancestor);

}  // namespace corvane
