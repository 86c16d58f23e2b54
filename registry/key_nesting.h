// Key paths as the registry reads them: their names, and whether one lies
// below another. Windows only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The names of a key path, in order: "\" separates (runs of it count as
// one, empty names are dropped) and "/" belongs to a name. Views into `path`.
std::vector<std::u16string_view> KeyNames(const std::u16string& path);

// True when `key` names a key strictly below `ancestor`: "\" separates
// (runs of it count as one, empty names are dropped), "/" belongs to a name,
// and case is ignored as the registry ignores it.
bool IsBelowKey(const std::u16string& key, const std::u16string& ancestor);

}  // namespace corvane
