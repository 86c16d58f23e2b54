// The text form of the listings: every element followed by one U+0000.
// Portable.
#pragma once

#include <string>
#include <vector>

#include "registry/registry_enum.h"

namespace corvane {

std::u16string JoinWithNul(const std::vector<std::u16string>& items);
// Name, U+0000, text, U+0000 for every entry in order.
std::u16string JoinWithNul(const std::vector<ValueEntry>& entries);

}  // namespace corvane
