#include "requests/nul_joined_text.h"

namespace corvane {

std::u16string JoinWithNul(const std::vector<std::u16string>& items) {
  std::u16string out;
  for (const auto& item : items) {
    out += item;
    out.push_back(u'\0');
  }
  return out;
}

std::u16string JoinWithNul(const std::vector<ValueEntry>& entries) {
  std::u16string out;
  for (const auto& entry : entries) {
    out += entry.name;
    out.push_back(u'\0');
    out += entry.text;
    out.push_back(u'\0');
  }
  return out;
}

}  // namespace corvane
