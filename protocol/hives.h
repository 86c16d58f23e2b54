// The hive codes of request 6: which registry root a key is below.
#pragma once

#include <cstdint>

namespace corvane {

enum class RegistryHive : int32_t {
  CurrentUser = 0,   // read and write below the Corvane roots
  LocalMachine = 1,  // read only
};

constexpr int32_t HiveCode(RegistryHive hive) {
  return static_cast<int32_t>(hive);
}

}  // namespace corvane
