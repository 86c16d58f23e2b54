// The text form of the listings: every element followed by one U+0000.
// Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

std::u16string JoinWithNul(const std::vector<std::u16string>& items);

// Name, U+0000, text, U+0000 for every entry in order; an entry is anything
// with `name` and `text` (the registry's value listing).
template <class Entry>
std::u16string JoinWithNul(const std::vector<Entry>& entries) {
  std::u16string out;
  for (const auto& entry : entries) {
    out += entry.name;
    out.push_back(u'\0');
    out += entry.text;
    out.push_back(u'\0');
  }
  return out;
}

// The items of such a text, as the list operations answer them. A last item
// without its U+0000 is kept.
std::vector<std::u16string> SplitAtNul(std::u16string_view text);

}  // namespace corvane
