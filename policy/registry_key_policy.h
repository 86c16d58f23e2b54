// Which registry keys a plug-in may reach, and which value names are valid.
#pragma once

#include <cstdint>
#include <string_view>

#include "policy/verdict.h"

namespace corvane {

enum class RegistryHive : int32_t {
  CurrentUser = 0,   // read and write below the Corvane roots
  LocalMachine = 1,  // read only
};

PolicyVerdict CheckRegistryKey(int32_t hive, std::u16string_view key, bool write);
// False for names holding U+0000, "\" or "/"; the empty name is the default value.
bool IsValidValueName(std::u16string_view name);

}  // namespace corvane
