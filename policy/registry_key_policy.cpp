#include "policy/registry_key_policy.h"

#include <string>

#include "policy/grants.h"
#include "policy/text_helpers.h"

namespace corvane {

namespace {

// The root itself or anything below it; "software\corvanex" is a sibling.
bool MatchesRoot(std::u16string_view key, std::u16string_view root) {
  if (!key.starts_with(root)) return false;
  return key.size() == root.size() || key[root.size()] == u'\\';
}

const HiveGrant* FindHiveGrant(RegistryHive hive) {
  for (const HiveGrant& grant : kHiveGrants) {
    if (grant.hive == hive) return &grant;
  }
  return nullptr;
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

PolicyVerdict Verdict(RegistryHive hive, std::u16string_view key, const std::u16string& normalized,
                      bool write) {
  if (key.empty()) return PolicyVerdict::Malformed;
  if (key.find(u'\0') != std::u16string_view::npos) return PolicyVerdict::Malformed;
  if (normalized.empty()) return PolicyVerdict::Malformed;
  if (normalized.size() > kMaxRegistryKeyText || !NamesFit(normalized)) {
    return PolicyVerdict::Malformed;
  }
  const std::u16string k = AsciiLower(normalized);
  if (HasTraversal(k)) return PolicyVerdict::Malformed;
  const HiveGrant* grant = FindHiveGrant(hive);
  if (grant == nullptr) return PolicyVerdict::UnknownHive;
  // A read-only hive refuses writers whatever the key.
  if (write && grant->access != HiveAccess::ReadWrite) return PolicyVerdict::WriteToReadOnlyHive;
  for (std::u16string_view root : grant->roots) {
    if (MatchesRoot(k, root)) return PolicyVerdict::Allow;
  }
  return PolicyVerdict::OutsideSubtree;
}

}  // namespace

JudgedKey JudgeRegistryKey(RegistryHive hive, std::u16string_view key, bool write) {
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
