#include "policy/text_helpers.h"

namespace corvane {

std::u16string NormalizeSeparators(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  bool previousWasSeparator = false;
  for (char16_t unit : text) {
    if (IsSeparator(unit)) {
      if (!previousWasSeparator && !out.empty()) out.push_back(u'\\');
      previousWasSeparator = true;
    } else {
      out.push_back(unit);
      previousWasSeparator = false;
    }
  }
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
  }
  return out;
}

bool HasTraversal(std::u16string_view text) {
  if (text == u"..") return true;
  if (text.find(u"\\..\\") != std::u16string_view::npos) return true;
  if (text.size() >= 3 && text.starts_with(u"..\\")) return true;
  if (text.size() >= 3 && text.ends_with(u"\\..")) return true;
  return false;
}

}  // namespace corvane
