#include "registry/key_nesting.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "win/wide_text.h"

namespace corvane {

std::vector<std::u16string_view> KeyNames(const std::u16string& path) {
  std::vector<std::u16string_view> names;
  const std::u16string_view rest(path);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(u'\\', start);
    if (end == std::u16string_view::npos) end = rest.size();
    if (end > start) names.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

namespace {

bool SameName(std::u16string_view a, std::u16string_view b) {
  // The registry refuses names this long anyway.
  if (a.size() != b.size() || a.size() > 0x7FFFFFFF) return false;
  return CompareStringOrdinal(win::Wide(a.data()), static_cast<int>(a.size()), win::Wide(b.data()),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool IsBelowKey(const std::u16string& key, const std::u16string& ancestor) {
  const auto keyNames = KeyNames(key);
  const auto ancestorNames = KeyNames(ancestor);
  if (keyNames.size() <= ancestorNames.size()) return false;
  for (size_t i = 0; i < ancestorNames.size(); ++i) {
    if (!SameName(keyNames[i], ancestorNames[i])) return false;
  }
  return true;
}

}  // namespace corvane
