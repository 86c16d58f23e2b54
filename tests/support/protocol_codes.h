// Short names for the statuses, hive codes and file operation codes that
// tests send and compare against, taken from the protocol's own tables so
// that no test repeats a number.
#pragma once

#include <cstdint>

#include "protocol/hives.h"
#include "protocol/operations.h"

namespace corvane::test {

inline constexpr int32_t kOk = StatusCode(BrokerStatus::Ok);
inline constexpr int32_t kNotFound = StatusCode(BrokerStatus::NotFound);
inline constexpr int32_t kDenied = StatusCode(BrokerStatus::Denied);
inline constexpr int32_t kFailed = StatusCode(BrokerStatus::Failed);
inline constexpr int32_t kInvalid = StatusCode(BrokerStatus::Invalid);

inline constexpr int32_t kUser = HiveCode(RegistryHive::CurrentUser);
inline constexpr int32_t kMachine = HiveCode(RegistryHive::LocalMachine);

inline constexpr uint32_t kRead = OperationCode(BrokerOperation::FileRead);
inline constexpr uint32_t kWrite = OperationCode(BrokerOperation::FileWrite);
inline constexpr uint32_t kExists = OperationCode(BrokerOperation::FileExists);
inline constexpr uint32_t kDelete = OperationCode(BrokerOperation::FileDelete);
inline constexpr uint32_t kCopy = OperationCode(BrokerOperation::FileCopy);
inline constexpr uint32_t kExport = OperationCode(BrokerOperation::FileExport);
inline constexpr uint32_t kShellOpen = OperationCode(BrokerOperation::ShellOpen);

}  // namespace corvane::test
