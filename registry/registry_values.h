// Stateless registry primitives for single values and keys. Each opens what
// it needs below the hive's root, works, closes and answers true or false.
// Key and value names reach the registry exactly as given (the request
// service gives the key as the policy judged it). Windows only
// in implementation; the interface is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/limits.h"  // kMaxValueDataBytes

namespace corvane {

bool RegistryReadString(int32_t hive, const std::u16string& key, const std::u16string& name,
                        std::u16string& out);
bool RegistryWriteString(int32_t hive, const std::u16string& key, const std::u16string& name,
                         const std::u16string& data);
// A number of exactly the type of its width: REG_DWORD for uint32_t,
// REG_QWORD for uint64_t. A value of another type or size is not read.
template <class Number>
bool RegistryReadNumber(int32_t hive, const std::u16string& key, const std::u16string& name,
                        Number& out);
template <class Number>
bool RegistryWriteNumber(int32_t hive, const std::u16string& key, const std::u16string& name,
                         Number value);
inline constexpr auto& RegistryReadDword = RegistryReadNumber<uint32_t>;
inline constexpr auto& RegistryWriteDword = RegistryWriteNumber<uint32_t>;
inline constexpr auto& RegistryReadQword = RegistryReadNumber<uint64_t>;
inline constexpr auto& RegistryWriteQword = RegistryWriteNumber<uint64_t>;
bool RegistryDeleteValue(int32_t hive, const std::u16string& key, const std::u16string& name);
bool RegistryDeleteKey(int32_t hive, const std::u16string& key);
bool RegistryDeleteTree(int32_t hive, const std::u16string& key);
bool RegistryKeyExists(int32_t hive, const std::u16string& key);

}  // namespace corvane
