#include "policy/windows_names.h"

#include <array>

#include "policy/text_helpers.h"

namespace corvane {

namespace {

// Superscript one to three count as digits for the numbered devices.
constexpr std::array<std::u16string_view, 30> kDeviceNames = {
    u"con",  u"prn",  u"aux",  u"nul",       u"conin$",    u"conout$",
    u"com1", u"com2", u"com3", u"com4",      u"com5",      u"com6",
    u"com7", u"com8", u"com9", u"com\u00b9", u"com\u00b2", u"com\u00b3",
    u"lpt1", u"lpt2", u"lpt3", u"lpt4",      u"lpt5",      u"lpt6",
    u"lpt7", u"lpt8", u"lpt9", u"lpt\u00b9", u"lpt\u00b2", u"lpt\u00b3"};

template <typename Test>
bool AnyComponent(std::u16string_view path, Test test) {
  size_t start = 0;
  while (true) {
    const size_t end = path.find(u'\\', start);
    if (test(path.substr(start, end == std::u16string_view::npos ? end : end - start))) {
      return true;
    }
    if (end == std::u16string_view::npos) return false;
    start = end + 1;
  }
}

bool IsDotOrBlankOnly(std::u16string_view component) {
  if (component.empty() || component == u".") return false;
  return component.find_first_not_of(u". ") == std::u16string_view::npos;
}

bool IsReservedDeviceName(std::u16string_view component) {
  std::u16string_view stem = component.substr(0, component.find_first_of(u".:"));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  for (std::u16string_view name : kDeviceNames) {
    if (stem == name) return true;
  }
  return false;
}

// The second component of a network path "\\server\share\...".
std::u16string_view ShareOf(std::u16string_view path) {
  size_t at = 0;
  while (at < path.size() && IsSeparator(path[at])) ++at;
  while (at < path.size() && !IsSeparator(path[at])) ++at;  // server
  while (at < path.size() && IsSeparator(path[at])) ++at;
  size_t end = at;
  while (end < path.size() && !IsSeparator(path[end])) ++end;
  return path.substr(at, end - at);
}

}  // namespace

bool NamesPipeOrDevice(std::u16string_view path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && (path[1] == u'?' || IsSeparator(path[1])) &&
      (path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3])) {
    // Only "\\?\X:\..." names a plain file among the device-namespace forms.
    const bool driveAfterPrefix = IsSeparator(path[1]) && path[2] == u'?' && path.size() >= 7 &&
                                  IsAsciiLetter(path[4]) && path[5] == u':' && IsSeparator(path[6]);
    return !driveAfterPrefix;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    const std::u16string_view share = ShareOf(path);
    return EqualsAsciiNoCase(share, "pipe") || EqualsAsciiNoCase(share, "mailslot");
  }
  return false;
}

bool HasDotOrBlankOnlyComponent(std::u16string_view normalizedPath) {
  return AnyComponent(normalizedPath, IsDotOrBlankOnly);
}

bool HasReservedDeviceComponent(std::u16string_view normalizedPath) {
  return AnyComponent(normalizedPath, IsReservedDeviceName);
}

}  // namespace corvane
