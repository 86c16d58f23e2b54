// What an Allow from each access check guarantees, restated from the outside,
// plus verdicts that must not depend on letter case or separator spelling.
// Each function returns an empty text when the invariants hold, otherwise the
// one that broke. Shared by the property tests and the fuzz target.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "policy/path_policy.h"
#include "policy/registry_key_policy.h"
#include "policy/shell_policy.h"
#include "policy/text_helpers.h"
#include "policy/verdict.h"
#include "policy/windows_names.h"

namespace corvane::policy_invariants {

inline std::vector<std::u16string_view> Components(std::u16string_view normalized) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (start <= normalized.size()) {
    const size_t end = normalized.find(u'\\', start);
    const size_t stop = end == std::u16string_view::npos ? normalized.size() : end;
    parts.push_back(normalized.substr(start, stop - start));
    start = stop + 1;
  }
  return parts;
}

// No component that climbs, that Windows could trim into one that climbs,
// or that names a device.
inline bool HasOnlyPlainComponents(std::u16string_view normalizedLower) {
  static constexpr std::u16string_view kDevices[] = {u"con", u"prn",    u"aux",
                                                     u"nul", u"conin$", u"conout$"};
  // COM1..COM9 and LPT1..LPT9 (superscript digits too); a bare "com" is a name.
  static constexpr std::u16string_view kNumberedDigits = u"123456789\u00b9\u00b2\u00b3";
  for (std::u16string_view part : Components(normalizedLower)) {
    if (part.empty()) return false;
    if (part != u"." && part.find_first_not_of(u". ") == std::u16string_view::npos) return false;
    std::u16string_view stem = part.substr(0, part.find_first_of(u".:"));
    while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
    const bool numbered = stem.starts_with(u"com") || stem.starts_with(u"lpt");
    if (numbered && stem.size() == 4 && kNumberedDigits.find(stem[3]) != stem.npos) return false;
    for (std::u16string_view device : kDevices) {
      if (stem == device) return false;
    }
  }
  return true;
}

inline size_t LeadingSeparators(std::u16string_view text) {
  size_t count = 0;
  while (count < text.size() && (text[count] == u'\\' || text[count] == u'/')) ++count;
  return count;
}

inline bool HasNul(std::u16string_view text) {
  return text.find(u'\0') != text.npos;
}

inline bool LiesInside(std::u16string_view path, std::u16string_view folder, std::u16string_view p,
                       std::u16string_view f) {
  return LeadingSeparators(path) == LeadingSeparators(folder) && p.size() > f.size() + 1 &&
         p.substr(0, f.size()) == f && p[f.size()] == u'\\';
}

inline std::u16string Lowered(std::u16string_view text) {
  return AsciiLower(NormalizeSeparators(text));
}

inline std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) {
    if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 32);
  }
  return out;
}

inline std::u16string SlashesToBackslashes(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) {
    if (unit == u'/') unit = u'\\';
  }
  return out;
}

inline bool IsPathVerdict(PolicyVerdict v) {
  return v == PolicyVerdict::Allow || v == PolicyVerdict::OutsideSubtree ||
         v == PolicyVerdict::Malformed;
}

inline std::string AppDataPath(std::u16string_view path, std::u16string_view folder) {
  const PolicyVerdict v = CheckAppDataPath(path, folder);
  if (!IsPathVerdict(v)) return "app data: unexpected verdict";
  if (CheckAppDataPath(AsciiUpper(path), folder) != v) return "app data: case changes verdict";
  if (CheckAppDataPath(SlashesToBackslashes(path), folder) != v) {
    return "app data: slashes change verdict";
  }
  if (v != PolicyVerdict::Allow) return {};
  if (HasNul(path)) return "app data: allowed U+0000";
  const std::u16string p = Lowered(path);
  const std::u16string f = Lowered(folder);
  if (f.empty() || !LiesInside(path, folder, p, f)) return "app data: allowed outside the folder";
  if (HasTraversal(p) || !HasOnlyPlainComponents(p)) return "app data: allowed a bad component";
  const std::u16string_view name = Components(std::u16string_view(p).substr(f.size() + 1))[0];
  const bool hexSuffix =
      name.size() == 15 && name.substr(7).find_first_not_of(u"0123456789abcdef") == name.npos;
  if (name.substr(0, 7) != u"corvane" || (name.size() != 7 && !hexSuffix)) {
    return "app data: allowed a folder other than corvane";
  }
  return {};
}

inline std::string FileCopy(std::u16string_view source, std::u16string_view destination,
                            std::u16string_view temp) {
  const PolicyVerdict v = CheckFileCopy(source, destination, temp);
  if (!IsPathVerdict(v)) return "copy: unexpected verdict";
  if (CheckFileCopy(AsciiUpper(source), AsciiUpper(destination), temp) != v) {
    return "copy: case changes verdict";
  }
  if (CheckFileCopy(SlashesToBackslashes(source), SlashesToBackslashes(destination), temp) != v) {
    return "copy: slashes change verdict";
  }
  if (v != PolicyVerdict::Allow) return {};
  if (HasNul(source) || HasNul(destination)) return "copy: allowed U+0000";
  if (!IsAbsolutePath(source) || !IsAbsolutePath(destination)) return "copy: allowed relative";
  const std::u16string s = Lowered(source);
  const std::u16string d = Lowered(destination);
  if (!LiesInside(destination, temp, d, Lowered(temp))) return "copy: allowed outside temp";
  if (!HasOnlyPlainComponents(s) || !HasOnlyPlainComponents(d) || HasTraversal(s)) {
    return "copy: allowed a bad component";
  }
  if (!s.ends_with(u".pdf") || !d.ends_with(u".pdf")) return "copy: allowed a non-PDF";
  // Only the drive's own colon: any other names a stream of another file.
  const bool prefixed = destination.size() > 4 && LeadingSeparators(destination) == 2 &&
                        (destination[2] == u'?' || destination[2] == u'.');
  const size_t driveColon = prefixed ? 5 : 1;
  if (destination.find(u':', driveColon + 1) != destination.npos) {
    return "copy: allowed a stream destination";
  }
  return {};
}

inline std::string FileExport(std::u16string_view source, std::u16string_view destination,
                              std::u16string_view temp) {
  const PolicyVerdict v = CheckFileExport(source, destination, temp);
  if (!IsPathVerdict(v)) return "export: unexpected verdict";
  if (CheckFileExport(AsciiUpper(source), AsciiUpper(destination), temp) != v) {
    return "export: case changes verdict";
  }
  if (CheckFileExport(SlashesToBackslashes(source), SlashesToBackslashes(destination), temp) != v) {
    return "export: slashes change verdict";
  }
  if (v != PolicyVerdict::Allow) return {};
  if (HasNul(source) || HasNul(destination)) return "export: allowed U+0000";
  if (source.find(u':', 2) != source.npos || destination.find(u':', 2) != destination.npos) {
    return "export: allowed a stream or prefix colon";
  }
  const std::u16string s = Lowered(source);
  const std::u16string d = Lowered(destination);
  if (!LiesInside(source, temp, s, Lowered(temp))) return "export: allowed outside temp";
  if (!HasOnlyPlainComponents(s) || !HasOnlyPlainComponents(d) || HasTraversal(d)) {
    return "export: allowed a bad component";
  }
  static constexpr std::u16string_view kImages[] = {u".jpg", u".png", u".bmp",
                                                    u".dib", u".tif", u".gif"};
  for (std::u16string_view image : kImages) {
    if (s.ends_with(image) && d.ends_with(image)) return {};
  }
  return "export: allowed a non-image or a changed extension";
}

// Whether some "%" and the next "%" enclose a text that does not start with
// two hex digits (the only names a percent escape leaves): an expander may
// take it for a variable, whichever "%" it pairs with which.
inline bool MayExpand(std::u16string_view text) {
  std::vector<size_t> percents;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%') percents.push_back(i);
  }
  const auto hex = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'f');
  };
  for (size_t k = 1; k < percents.size(); ++k) {
    const size_t start = percents[k - 1] + 1;
    if (percents[k] - start < 2 || !hex(text[start]) || !hex(text[start + 1])) return true;
  }
  return false;
}

inline std::string ShellTarget(std::u16string_view target) {
  const PolicyVerdict v = CheckShellTarget(target);
  if (!IsPathVerdict(v)) return "shell: unexpected verdict";
  if (CheckShellTarget(AsciiUpper(target)) != v) return "shell: case changes verdict";
  if (v != PolicyVerdict::Allow) return {};
  if (target.size() > kMaxShellTargetLength) return "shell: allowed an over-long target";
  if (HasNul(target)) return "shell: allowed U+0000";
  if (target.find(u'"') != target.npos) return "shell: allowed a quote";
  if (target.ends_with(u'\\')) return "shell: allowed a trailing backslash";
  for (char16_t unit : target) {
    if (unit < 0x20 || unit == 0x7F) return "shell: allowed a control unit";
  }
  if (MayExpand(target)) return "shell: allowed a variable reference";
  const std::u16string t = AsciiLower(target);
  const bool address =
      t.starts_with(u"http://") || t.starts_with(u"https://") || t.starts_with(u"ftp:");
  if (address && t.find(u' ') != t.npos) return "shell: allowed a blank in an address";
  if (t.starts_with(u"http://") || t.starts_with(u"https://")) return {};
  if (t.starts_with(u"/") || t.starts_with(u"-")) return "shell: allowed a switch";
  if (HasReservedDeviceComponent(NormalizeSeparators(t))) return "shell: allowed a device name";
  static constexpr std::u16string_view kDocuments[] = {u".html", u".htm", u".txt",
                                                       u".csv",  u".pdf", u".xml"};
  for (std::u16string_view document : kDocuments) {
    if (t.ends_with(document)) return {};
  }
  return "shell: allowed another document type";
}

// The units of a text other than separators, in order and case.
inline std::u16string NameUnits(std::u16string_view text) {
  std::u16string out;
  for (char16_t unit : text) {
    if (unit != u'\\' && unit != u'/') out.push_back(unit);
  }
  return out;
}

// The text an allowed key hands to the registry, read as the registry reads
// it: "\\" separates, "/" and every other unit belong to a name, names are
// compared without case. It must be the request's key in the request's case
// and name a key inside an allowed root, whole.
inline std::string RegistryText(RegistryHive hive, std::u16string_view key,
                                const JudgedKey& judged) {
  const std::u16string& text = judged.text;
  if (text.size() > kMaxRegistryKeyText) return "registry: text longer than the registry takes";
  if (text.find(u'/') != text.npos) return "registry: text holds a slash";
  if (NameUnits(text) != NameUnits(key)) return "registry: text is not the key that was judged";
  const std::u16string lower = AsciiLower(text);
  const std::vector<std::u16string_view> names = Components(lower);
  for (std::u16string_view name : names) {
    if (name.empty()) return "registry: text holds an empty name";
    if (name.size() > kMaxRegistryKeyName) return "registry: a name longer than the registry takes";
    if (name == u"..") return "registry: allowed traversal";
  }
  using Root = std::vector<std::u16string_view>;
  static const Root kCurrentUser[] = {{u"software", u"corvane"}, {u"corvane"}};
  static const Root kLocalMachine[] = {{u"software", u"corvane"},
                                       {u"software", u"wow6432node", u"corvane"}};
  for (const Root& root : hive == RegistryHive::CurrentUser ? kCurrentUser : kLocalMachine) {
    if (names.size() >= root.size() && std::equal(root.begin(), root.end(), names.begin())) {
      return {};
    }
  }
  return "registry: text lies outside the roots";
}

inline std::string RegistryKey(RegistryHive hive, std::u16string_view key, bool write) {
  const JudgedKey judged = JudgeRegistryKey(hive, key, write);
  const PolicyVerdict v = judged.verdict;
  if (CheckRegistryKey(hive, AsciiUpper(key), write) != v) return "registry: case changes verdict";
  if (CheckRegistryKey(hive, SlashesToBackslashes(key), write) != v) {
    return "registry: slashes change verdict";
  }
  const bool known = hive == RegistryHive::CurrentUser || hive == RegistryHive::LocalMachine;
  if (hive == RegistryHive::LocalMachine && write && v == PolicyVerdict::Allow) {
    return "registry: wrote the machine hive";
  }
  if (!known && v == PolicyVerdict::Allow) return "registry: allowed any hive";
  if (v != PolicyVerdict::Allow) {
    return judged.text.empty() ? std::string() : "registry: refused key handed a text on";
  }
  if (HasNul(key)) return "registry: allowed U+0000";
  return RegistryText(hive, key, judged);
}

}  // namespace corvane::policy_invariants
