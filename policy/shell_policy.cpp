#include "policy/shell_policy.h"

#include <array>
#include <string>

#include "policy/text_helpers.h"
#include "policy/windows_names.h"

namespace corvane {

namespace {

constexpr std::array<std::u16string_view, 6> kShellOpenExtensions = {u".html", u".htm", u".txt",
                                                                     u".csv",  u".pdf", u".xml"};

// Schemes other than the web ones that may still name a listed document.
constexpr std::u16string_view kDocumentSchemes[] = {u"ftp"};

// The scheme of "scheme:..." (two or more scheme characters before the first
// ":", so that a drive letter is not one), or empty.
std::u16string_view SchemeOf(std::u16string_view lowered) {
  const size_t colon = lowered.find(u':');
  if (colon == std::u16string_view::npos || colon < 2) return {};
  if (lowered[0] < u'a' || lowered[0] > u'z') return {};
  for (size_t i = 1; i < colon; ++i) {
    const char16_t c = lowered[i];
    const bool schemeChar =
        (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    if (!schemeChar) return {};
  }
  return lowered.substr(0, colon);
}

bool IsDocumentScheme(std::u16string_view scheme) {
  for (std::u16string_view allowed : kDocumentSchemes) {
    if (scheme == allowed) return true;
  }
  return false;
}

}  // namespace

PolicyVerdict CheckShellTarget(std::u16string_view target) {
  if (target.empty()) return PolicyVerdict::Malformed;
  // Before anything else: the shell under Wine overruns its buffers on long
  // targets, web addresses included.
  if (target.size() > kMaxShellTargetLength) return PolicyVerdict::Malformed;
  if (target.find(u'\0') != std::u16string_view::npos) return PolicyVerdict::Malformed;
  const std::u16string t = AsciiLower(target);
  // The shell builds a command line from the target; a raw quote could close
  // the handler's quoting and add arguments, web addresses included.
  if (t.find(u'"') != std::u16string::npos) return PolicyVerdict::Malformed;
  if (t.starts_with(u"http://")) return PolicyVerdict::Allow;
  if (t.starts_with(u"https://")) return PolicyVerdict::Allow;
  // A leading "/" or "-" would read as a switch to the handler.
  if (t.starts_with(u'/') || t.starts_with(u'-')) return PolicyVerdict::Malformed;
  // The handler that opens the document would connect to the pipe's server.
  if (NamesPipeOrDevice(t)) return PolicyVerdict::Malformed;
  // "C:\x\con.txt" or "nul.pdf" opens a DOS device, not a document. Document
  // addresses ("ftp://host/con.csv") get the same test: no document a plug-in
  // has a reason to open is named after a device.
  if (HasReservedDeviceComponent(NormalizeSeparators(t))) return PolicyVerdict::Malformed;
  // Other schemes reach protocol handlers ("file:", "ms-...:", "search-ms:")
  // whose arguments a trailing ".pdf" does not make harmless.
  const std::u16string_view scheme = SchemeOf(t);
  if (!scheme.empty() && !IsDocumentScheme(scheme)) return PolicyVerdict::OutsideSubtree;
  const size_t dot = t.rfind(u'.');
  if (dot == std::u16string::npos) return PolicyVerdict::OutsideSubtree;
  const std::u16string_view extension = std::u16string_view(t).substr(dot);
  for (std::u16string_view allowed : kShellOpenExtensions) {
    if (extension == allowed) return PolicyVerdict::Allow;
  }
  return PolicyVerdict::OutsideSubtree;
}

}  // namespace corvane
