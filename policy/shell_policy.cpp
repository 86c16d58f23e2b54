#include "policy/shell_policy.h"

#include <array>
#include <string>

#include "policy/text_helpers.h"

namespace corvane {

namespace {

constexpr std::array<std::u16string_view, 6> kShellOpenExtensions = {u".html", u".htm", u".txt",
                                                                     u".csv",  u".pdf", u".xml"};

}  // namespace

PolicyVerdict CheckShellTarget(std::u16string_view target) {
  if (target.empty()) return PolicyVerdict::Malformed;
  if (target.find(u'\0') != std::u16string_view::npos) return PolicyVerdict::Malformed;
  const std::u16string t = AsciiLower(target);
  // The shell builds a command line from the target; a raw quote could close
  // the handler's quoting and add arguments, web addresses included.
  if (t.find(u'"') != std::u16string::npos) return PolicyVerdict::Malformed;
  if (t.starts_with(u"http://")) return PolicyVerdict::Allow;
  if (t.starts_with(u"https://")) return PolicyVerdict::Allow;
  // A leading "/" or "-" would read as a switch to the handler.
  if (t.starts_with(u'/') || t.starts_with(u'-')) return PolicyVerdict::Malformed;
  const size_t dot = t.rfind(u'.');
  if (dot == std::u16string::npos) return PolicyVerdict::OutsideSubtree;
  const std::u16string_view extension = std::u16string_view(t).substr(dot);
  for (std::u16string_view allowed : kShellOpenExtensions) {
    if (extension == allowed) return PolicyVerdict::Allow;
  }
  return PolicyVerdict::OutsideSubtree;
}

}  // namespace corvane
