#include "policy/path_policy.h"

#include "policy/grants.h"
#include "policy/text_helpers.h"
#include "policy/windows_names.h"

namespace corvane {

namespace {

bool IsLowerHexDigit(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f');
}

bool ContainsNul(std::u16string_view text) {
  return text.find(u'\0') != std::u16string_view::npos;
}

// Strictly below the folder: "tmpx\a" is a sibling, "tmp" itself is not inside.
bool IsStrictlyInside(std::u16string_view path, std::u16string_view folder) {
  return path.size() > folder.size() + 1 && path.starts_with(folder) &&
         path[folder.size()] == u'\\';
}

// NormalizeSeparators drops leading separators, so "\\C:\..." (a server
// named "C:"), "\C:\..." (rooted on the current drive) and, for a folder on a
// share, "server\share\..." (relative to the current folder) would all look
// like the folder. The path has to start the way the folder does.
bool HasSameLeadingSeparators(std::u16string_view path, std::u16string_view folder) {
  const auto leading = [](std::u16string_view text) {
    size_t count = 0;
    while (count < text.size() && IsSeparator(text[count])) ++count;
    return count;
  };
  return leading(path) == leading(folder);
}

bool HasWindowsNameHazard(std::u16string_view normalizedPath) {
  return HasDotOrBlankOnlyComponent(normalizedPath) || HasReservedDeviceComponent(normalizedPath);
}

bool IsExportExtension(std::u16string_view extension) {
  for (std::u16string_view allowed : kExportExtensions) {
    if (extension == allowed) return true;
  }
  return false;
}

bool HasLongerSuffix(std::u16string_view path, std::u16string_view suffix) {
  return path.size() > suffix.size() && path.ends_with(suffix);
}

// A ":" after the drive's own colon names a stream on NTFS: "evil.exe:x.pdf"
// would plant "evil.exe". The drive colon sits at unit 1 ("C:\") or, behind
// a "\\?\" or "\\.\" prefix, at unit 5.
bool NamesStream(std::u16string_view path) {
  size_t start = 0;
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') {
    start = 2;
  } else if (path.size() >= 6 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
             (path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3]) &&
             IsAsciiLetter(path[4]) && path[5] == u':') {
    start = 6;
  }
  return path.find(u':', start) != std::u16string_view::npos;
}

}  // namespace

bool IsAbsolutePath(std::u16string_view path) {
  if (path.size() < 3) return false;
  const bool driveForm = IsAsciiLetter(path[0]) && path[1] == u':' && IsSeparator(path[2]);
  const bool doubleSeparatorForm = IsSeparator(path[0]) && IsSeparator(path[1]);
  return driveForm || doubleSeparatorForm;
}

bool IsPlainAbsolutePath(std::u16string_view path) {
  if (!IsAbsolutePath(path)) return false;
  if (path.size() > 3 && IsSeparator(path[0]) && (path[2] == u'?' || path[2] == u'.') &&
      IsSeparator(path[3])) {
    return false;
  }
  return path.find(u':', 2) == std::u16string_view::npos;
}

std::u16string ExtensionOf(std::u16string_view normalizedPath) {
  const size_t dot = normalizedPath.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  const size_t separator = normalizedPath.rfind(u'\\');
  if (separator != std::u16string_view::npos && dot < separator) return {};
  return std::u16string(normalizedPath.substr(dot));
}

bool IsCorvaneFolderName(std::u16string_view name) {
  if (name == kAppDataFolderName) return true;
  if (name.size() != kAppDataFolderName.size() + kAppDataFolderHexDigits ||
      !name.starts_with(kAppDataFolderName)) {
    return false;
  }
  for (char16_t unit : name.substr(kAppDataFolderName.size())) {
    if (!IsLowerHexDigit(unit)) return false;
  }
  return true;
}

PolicyVerdict CheckAppDataPath(std::u16string_view path, std::u16string_view appDataFolder) {
  if (path.empty() || appDataFolder.empty()) return PolicyVerdict::Malformed;
  if (ContainsNul(path)) return PolicyVerdict::Malformed;
  const std::u16string normalizedPath = NormalizeSeparators(path);
  const std::u16string normalizedFolder = NormalizeSeparators(appDataFolder);
  if (normalizedPath.empty() || normalizedFolder.empty()) return PolicyVerdict::Malformed;
  const std::u16string p = AsciiLower(normalizedPath);
  if (HasTraversal(p) || HasWindowsNameHazard(p)) return PolicyVerdict::Malformed;
  const std::u16string f = AsciiLower(normalizedFolder);
  if (!IsStrictlyInside(p, f) || !HasSameLeadingSeparators(path, appDataFolder)) {
    return PolicyVerdict::OutsideSubtree;
  }
  const std::u16string_view rest = std::u16string_view(p).substr(f.size() + 1);
  const std::u16string_view folderName = rest.substr(0, rest.find(u'\\'));
  return IsCorvaneFolderName(folderName) ? PolicyVerdict::Allow : PolicyVerdict::OutsideSubtree;
}

namespace {

// The source, destination and temporary folder of a copy, normalised and
// lower-cased once the shared shape tests have passed.
struct CopyTexts {
  std::u16string s, d, t;
};

// The tests both copy rules share, with `isAbsolute` as each rule's shape
// test. Sets `texts` and answers Allow when the rule may go on.
PolicyVerdict CheckCopyShape(std::u16string_view source, std::u16string_view destination,
                             std::u16string_view tempFolder,
                             bool (*isAbsolute)(std::u16string_view), CopyTexts& texts) {
  if (source.empty() || destination.empty() || tempFolder.empty()) {
    return PolicyVerdict::Malformed;
  }
  if (ContainsNul(source) || ContainsNul(destination)) return PolicyVerdict::Malformed;
  if (!isAbsolute(source) || !isAbsolute(destination)) return PolicyVerdict::Malformed;
  if (NamesPipeOrDevice(source) || NamesPipeOrDevice(destination)) return PolicyVerdict::Malformed;
  texts.s = AsciiLower(NormalizeSeparators(source));
  texts.d = AsciiLower(NormalizeSeparators(destination));
  texts.t = AsciiLower(NormalizeSeparators(tempFolder));
  if (texts.s.empty() || texts.d.empty() || texts.t.empty()) return PolicyVerdict::Malformed;
  if (HasTraversal(texts.s) || HasTraversal(texts.d)) return PolicyVerdict::Malformed;
  if (HasWindowsNameHazard(texts.s) || HasWindowsNameHazard(texts.d)) {
    return PolicyVerdict::Malformed;
  }
  return PolicyVerdict::Allow;
}

}  // namespace

PolicyVerdict CheckFileCopy(std::u16string_view source, std::u16string_view destination,
                            std::u16string_view tempFolder) {
  CopyTexts x;
  const PolicyVerdict shape = CheckCopyShape(source, destination, tempFolder, IsAbsolutePath, x);
  if (shape != PolicyVerdict::Allow) return shape;
  if (NamesStream(destination)) return PolicyVerdict::Malformed;
  if (!HasLongerSuffix(x.s, kCopyExtension)) return PolicyVerdict::OutsideSubtree;
  if (!HasLongerSuffix(x.d, kCopyExtension)) return PolicyVerdict::OutsideSubtree;
  return IsStrictlyInside(x.d, x.t) && HasSameLeadingSeparators(destination, tempFolder)
             ? PolicyVerdict::Allow
             : PolicyVerdict::OutsideSubtree;
}

PolicyVerdict CheckFileExport(std::u16string_view source, std::u16string_view destination,
                              std::u16string_view tempFolder) {
  CopyTexts x;
  const PolicyVerdict shape =
      CheckCopyShape(source, destination, tempFolder, IsPlainAbsolutePath, x);
  if (shape != PolicyVerdict::Allow) return shape;
  const std::u16string e = ExtensionOf(x.s);
  if (!IsExportExtension(e)) return PolicyVerdict::OutsideSubtree;
  if (ExtensionOf(x.d) != e) return PolicyVerdict::OutsideSubtree;
  return IsStrictlyInside(x.s, x.t) && HasSameLeadingSeparators(source, tempFolder)
             ? PolicyVerdict::Allow
             : PolicyVerdict::OutsideSubtree;
}

}  // namespace corvane
