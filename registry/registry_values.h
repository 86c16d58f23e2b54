// Stateless registry primitives for single values and keys. Each opens what
// it needs below the hive's root, works, closes and answers done or not.
// Key and value names reach the registry exactly as given (the request
// service gives the key as the policy judged it), one key name at a time: a
// key whose path holds a registry link is not acted on, and the answer says
// so. Windows only in implementation; the interface is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "policy/grants.h"  // kMaxValueDataBytes
#include "protocol/hives.h"
#include "registry/registry_result.h"

namespace corvane {

RegistryResult RegistryReadString(RegistryHive hive, const std::u16string& key,
                                  const std::u16string& name, std::u16string& out);
RegistryResult RegistryWriteString(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name, const std::u16string& data);
// A number of exactly the type of its width: REG_DWORD for uint32_t,
// REG_QWORD for uint64_t. A value of another type or size is not read.
template <class Number>
RegistryResult RegistryReadNumber(RegistryHive hive, const std::u16string& key,
                                  const std::u16string& name, Number& out);
template <class Number>
RegistryResult RegistryWriteNumber(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name, Number value);
inline constexpr auto& RegistryReadDword = RegistryReadNumber<uint32_t>;
inline constexpr auto& RegistryWriteDword = RegistryWriteNumber<uint32_t>;
inline constexpr auto& RegistryReadQword = RegistryReadNumber<uint64_t>;
inline constexpr auto& RegistryWriteQword = RegistryWriteNumber<uint64_t>;
RegistryResult RegistryDeleteValue(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name);
RegistryResult RegistryDeleteKey(RegistryHive hive, const std::u16string& key);
// The key and everything below it. A link below is deleted as the key it
// is, never followed: the tree goes and nothing outside it is touched.
RegistryResult RegistryDeleteTree(RegistryHive hive, const std::u16string& key);
RegistryResult RegistryKeyExists(RegistryHive hive, const std::u16string& key);

}  // namespace corvane
