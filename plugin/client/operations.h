// One typed call per broker operation. Each sends request 6 and returns the
// broker's status together with the answer in native form: lists as
// vectors, numbers as integers, file contents as bytes. A status other than
// 0 comes back as an answer, not as an error; errors are for a broker that
// is gone, silent or answers nonsense. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/client/broker_connection.h"
#include "plugin/client/client_result.h"
#include "protocol/hives.h"
#include "protocol/operations.h"

namespace corvane::client {

using Hive = ::corvane::RegistryHive;

// `value` is meaningful only when ok().
template <class T>
struct Answer {
  int32_t status = 0;
  T value{};
  bool ok() const { return status == StatusCode(BrokerStatus::Ok); }
};

struct ValueItem {
  std::u16string name;
  std::u16string text;  // empty for a value that is not a string
};

// Registry values (operations 1-5, 12, 13).
Result<Answer<std::u16string>> ReadString(BrokerConnection& c, Hive hive, std::u16string key,
                                          std::u16string name);
Result<int32_t> WriteString(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                            std::u16string value);
Result<Answer<uint32_t>> ReadDword(BrokerConnection& c, Hive hive, std::u16string key,
                                   std::u16string name);
Result<int32_t> WriteDword(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                           uint32_t value);
Result<Answer<uint64_t>> ReadQword(BrokerConnection& c, Hive hive, std::u16string key,
                                   std::u16string name);
Result<int32_t> WriteQword(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                           uint64_t value);
Result<int32_t> DeleteValue(BrokerConnection& c, Hive hive, std::u16string key,
                            std::u16string name);

// Registry keys (operations 6-10, 20). KeyExists answers 0 for yes, 1 for no.
Result<int32_t> DeleteKey(BrokerConnection& c, Hive hive, std::u16string key);
Result<int32_t> DeleteKeyTree(BrokerConnection& c, Hive hive, std::u16string key);
Result<int32_t> KeyExists(BrokerConnection& c, Hive hive, std::u16string key);
Result<Answer<std::vector<std::u16string>>> ListSubkeys(BrokerConnection& c, Hive hive,
                                                        std::u16string key);
Result<Answer<std::vector<ValueItem>>> ListValues(BrokerConnection& c, Hive hive,
                                                  std::u16string key);
Result<int32_t> CopyKeyTree(BrokerConnection& c, Hive hive, std::u16string from, std::u16string to);

// Files (operations 14-17, 21, 22). FileExists answers 0 for yes, 1 for no.
Result<Answer<std::vector<uint8_t>>> FileRead(BrokerConnection& c, std::u16string path);
Result<int32_t> FileWrite(BrokerConnection& c, std::u16string path,
                          const std::vector<uint8_t>& contents);
Result<int32_t> FileExists(BrokerConnection& c, std::u16string path);
Result<int32_t> FileDelete(BrokerConnection& c, std::u16string path);
Result<int32_t> FileCopy(BrokerConnection& c, std::u16string source, std::u16string destination);
Result<int32_t> FileExport(BrokerConnection& c, std::u16string source, std::u16string destination);

// Operation 18 and the ping (operation 11, answered "pong").
Result<int32_t> ShellOpen(BrokerConnection& c, std::u16string target);
Result<Answer<std::u16string>> Ping(BrokerConnection& c);

}  // namespace corvane::client
