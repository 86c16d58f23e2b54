#include "protocol/nul_joined_text.h"

namespace corvane {

std::u16string JoinWithNul(const std::vector<std::u16string>& items) {
  std::u16string out;
  for (const auto& item : items) {
    out += item;
    out.push_back(u'\0');
  }
  return out;
}

std::vector<std::u16string> SplitAtNul(std::u16string_view text) {
  std::vector<std::u16string> items;
  while (!text.empty()) {
    const size_t end = text.find(u'\0');
    items.emplace_back(text.substr(0, end));
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return items;
}

}  // namespace corvane
