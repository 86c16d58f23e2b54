// Which registry keys a plug-in may reach, and which value names are valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "policy/verdict.h"
#include "protocol/hives.h"
#include "protocol/limits.h"

namespace corvane {

// A verdict, and for an allowed key the text that every registry call must
// be given: the key with its separators normalised exactly as the check saw
// them ("/" and runs of "\" become one "\", none at the ends), in the
// request's own case. Acting on the raw text would let the registry read
// another key than the one judged ("/" is part of a name there).
struct JudgedKey {
  PolicyVerdict verdict = PolicyVerdict::Malformed;
  std::u16string text;  // empty unless verdict is Allow
};

JudgedKey JudgeRegistryKey(RegistryHive hive, std::u16string_view key, bool write);
inline PolicyVerdict CheckRegistryKey(RegistryHive hive, std::u16string_view key, bool write) {
  return JudgeRegistryKey(hive, key, write).verdict;
}

// False for names holding U+0000, "\" or "/", and for names longer than the
// registry allows; the empty name is the default value.
bool IsValidValueName(std::u16string_view name);

}  // namespace corvane
