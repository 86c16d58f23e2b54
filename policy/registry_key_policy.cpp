#include "policy/registry_key_policy.h"

#include <array>
#include <string>

#include "policy/text_helpers.h"

namespace corvane {

namespace {

constexpr std::array<std::u16string_view, 2> kCurrentUserRoots = {u"software\\corvane", u"corvane"};
constexpr std::array<std::u16string_view, 2> kLocalMachineRoots = {
    u"software\\corvane", u"software\\wow6432node\\corvane"};

// The root itself or anything below it; "software\corvanex" is a sibling.
bool MatchesRoot(std::u16string_view key, std::u16string_view root) {
  if (!key.starts_with(root)) return false;
  return key.size() == root.size() || key[root.size()] == u'\\';
}

template <size_t N>
PolicyVerdict CheckRoots(std::u16string_view key, const std::array<std::u16string_view, N>& roots) {
  for (std::u16string_view root : roots) {
    if (MatchesRoot(key, root)) return PolicyVerdict::Allow;
  }
  return PolicyVerdict::OutsideSubtree;
}

// Every name between separators fits the registry; the text has no empty
// names once normalised.
bool NamesFit(std::u16string_view normalized) {
  size_t start = 0;
  while (start <= normalized.size()) {
    size_t end = normalized.find(u'\\', start);
    if (end == std::u16string_view::npos) end = normalized.size();
    if (end - start > kMaxRegistryKeyName) return false;
    start = end + 1;
  }
  return true;
}

PolicyVerdict Verdict(int32_t hive, std::u16string_view key, const std::u16string& normalized,
                      bool write) {
  if (key.empty()) return PolicyVerdict::Malformed;
  if (key.find(u'\0') != std::u16string_view::npos) return PolicyVerdict::Malformed;
  if (normalized.empty()) return PolicyVerdict::Malformed;
  if (normalized.size() > kMaxRegistryKeyText || !NamesFit(normalized)) {
    return PolicyVerdict::Malformed;
  }
  const std::u16string k = AsciiLower(normalized);
  if (HasTraversal(k)) return PolicyVerdict::Malformed;
  switch (hive) {
    case HiveCode(RegistryHive::CurrentUser):
      return CheckRoots(k, kCurrentUserRoots);
    case HiveCode(RegistryHive::LocalMachine):
      // The machine hive is read-only whatever the key.
      if (write) return PolicyVerdict::WriteToReadOnlyHive;
      return CheckRoots(k, kLocalMachineRoots);
    default:
      return PolicyVerdict::UnknownHive;
  }
}

}  // namespace

JudgedKey JudgeRegistryKey(int32_t hive, std::u16string_view key, bool write) {
  JudgedKey judged;
  std::u16string normalized = NormalizeSeparators(key);
  judged.verdict = Verdict(hive, key, normalized, write);
  if (judged.verdict == PolicyVerdict::Allow) judged.text = std::move(normalized);
  return judged;
}

bool IsValidValueName(std::u16string_view name) {
  return name.size() <= kMaxRegistryValueName &&
         name.find_first_of(std::u16string_view(u"\0\\/", 3)) == std::u16string_view::npos;
}

}  // namespace corvane
