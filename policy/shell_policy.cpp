#include "policy/shell_policy.h"

#include <string>

#include "policy/grants.h"
#include "policy/text_helpers.h"
#include "policy/windows_names.h"

namespace corvane {

namespace {

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

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Control units name no file and split or alter a handler's command line.
bool HasControlUnit(std::u16string_view t) {
  for (char16_t c : t) {
    if (c < u' ' || c == u'\x7f') return true;
  }
  return false;
}

// Whether two "%" enclose a text that the environment expansion could take
// for a variable's name. Each "%" may open a name, whichever way the expander
// pairs them up, so every two neighbours are tried. A percent escape of a web
// address ("%20%2F") encloses a text that starts with two hex digits and
// passes here; that names no usual variable, and the broker compares the
// real expansion before the launch for the rest.
bool HasVariableReference(std::u16string_view t) {
  size_t open = t.find(u'%');
  while (open != std::u16string_view::npos) {
    const size_t close = t.find(u'%', open + 1);
    if (close == std::u16string_view::npos) return false;
    const std::u16string_view name = t.substr(open + 1, close - open - 1);
    if (name.size() < 2 || !IsHexDigit(name[0]) || !IsHexDigit(name[1])) return true;
    open = close;
  }
  return false;
}

}  // namespace

JudgedShellTarget JudgeShellTarget(std::u16string_view target) {
  const JudgedShellTarget malformed{PolicyVerdict::Malformed, {}, false};
  const JudgedShellTarget outside{PolicyVerdict::OutsideSubtree, {}, false};
  if (target.empty()) return malformed;
  // Before anything else: the shell under Wine overruns its buffers on long
  // targets, web addresses included.
  if (target.size() > kMaxShellTargetLength) return malformed;
  if (target.find(u'\0') != std::u16string_view::npos) return malformed;
  const std::u16string t = AsciiLower(target);
  // The shell builds a command line from the target; a raw quote could close
  // the handler's quoting and add arguments, web addresses included.
  if (t.find(u'"') != std::u16string::npos) return malformed;
  // A trailing "\" escapes the closing quote of the handler's "%1".
  if (t.ends_with(u'\\')) return malformed;
  if (HasControlUnit(t)) return malformed;
  // The shell expands environment variables in the target after this check:
  // what it launched would not be the text judged here.
  if (HasVariableReference(t)) return malformed;
  // A blank is not valid unescaped in an address and splits the handler's
  // command line; document paths keep theirs.
  const bool hasBlank = t.find(u' ') != std::u16string::npos;
  for (const WebScheme& web : kWebSchemes) {
    if (t.starts_with(web.prefix)) {
      return hasBlank ? malformed : JudgedShellTarget{PolicyVerdict::Allow, web.type, false};
    }
  }
  // A leading "/" or "-" would read as a switch to the handler.
  if (t.starts_with(u'/') || t.starts_with(u'-')) return malformed;
  // The handler that opens the document would connect to the pipe's server.
  if (NamesPipeOrDevice(t)) return malformed;
  // "C:\x\con.txt" or "nul.pdf" opens a DOS device, not a document. Document
  // addresses ("ftp://host/con.csv") get the same test: no document a plug-in
  // has a reason to open is named after a device.
  if (HasReservedDeviceComponent(NormalizeSeparators(t))) return malformed;
  // Other schemes reach protocol handlers ("file:", "ms-...:", "search-ms:")
  // whose arguments a trailing ".pdf" does not make harmless.
  const std::u16string_view scheme = SchemeOf(t);
  if (!scheme.empty() && !IsDocumentScheme(scheme)) return outside;
  if (!scheme.empty() && hasBlank) return malformed;
  const size_t dot = t.rfind(u'.');
  if (dot == std::u16string::npos) return outside;
  const std::u16string_view extension = std::u16string_view(t).substr(dot);
  // A document, on a disk or at an ftp address, goes to its type's handler.
  for (std::u16string_view allowed : kShellOpenExtensions) {
    if (extension == allowed) return {PolicyVerdict::Allow, allowed, scheme.empty()};
  }
  return outside;
}

}  // namespace corvane
