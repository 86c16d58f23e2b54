// The request protocol of message 6, as both sides read it: the operation
// table (code, name, the check a request passes, whether it writes, whether
// it names a value) and the statuses with their names. Portable: no
// platform types and no actions; the broker pins its actions to these rows
// (requests/operation_actions.h), the SDK its CORVANE_OP_* codes, and a test
// the tables of docs/protocol.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

enum class BrokerOperation : uint32_t {
  ReadString = 1,
  WriteString = 2,
  ReadDword = 3,
  WriteDword = 4,
  DeleteValue = 5,
  DeleteKey = 6,
  DeleteKeyTree = 7,
  KeyExists = 8,
  ListSubkeys = 9,
  ListValues = 10,
  Ping = 11,
  ReadQword = 12,
  WriteQword = 13,
  FileRead = 14,
  FileWrite = 15,
  FileExists = 16,
  FileDelete = 17,
  ShellOpen = 18,
  CopyKeyTree = 20,
  FileCopy = 21,
  FileExport = 22,
};

enum class BrokerStatus : int32_t { Ok = 0, NotFound = 1, Denied = 2, Failed = 3, Invalid = 4 };

// The access check a request passes before anything is touched.
enum class OperationCheck {
  None,                     // the ping
  RegistryKey,              // the key, for writing when the row writes
  KeyTreeCopy,              // the source key for reading and the destination for writing
  AppDataPath,              // a path below the roaming corvane folder
  AppDataPathAndTemporary,  // that, and the path + ".tmp" an atomic write creates first
  FileCopy,                 // a document copied into Temp
  FileExport,               // an image copied out of Temp
  ShellTarget,              // a web address or a listed document
};

struct OperationInfo {
  BrokerOperation code;
  std::string_view name;  // the plug-in tool's command
  OperationCheck check;
  bool writes;      // changes what it names; a key check refuses it on the read-only hive
  bool namesValue;  // the name field is one value's name, which must be valid
};

// One row per operation. Codes without a row get the key check as readers
// and then answer Invalid.
// clang-format off
inline constexpr OperationInfo kOperations[] = {
    // code                          tool command    check                                    writes names a value
    {BrokerOperation::ReadString,    "read-string",  OperationCheck::RegistryKey,             false, true},
    {BrokerOperation::WriteString,   "write-string", OperationCheck::RegistryKey,             true,  true},
    {BrokerOperation::ReadDword,     "read-dword",   OperationCheck::RegistryKey,             false, true},
    {BrokerOperation::WriteDword,    "write-dword",  OperationCheck::RegistryKey,             true,  true},
    {BrokerOperation::DeleteValue,   "delete-value", OperationCheck::RegistryKey,             true,  true},
    {BrokerOperation::DeleteKey,     "delete-key",   OperationCheck::RegistryKey,             true,  false},
    {BrokerOperation::DeleteKeyTree, "delete-tree",  OperationCheck::RegistryKey,             true,  false},
    {BrokerOperation::KeyExists,     "key-exists",   OperationCheck::RegistryKey,             false, false},
    {BrokerOperation::ListSubkeys,   "list-subkeys", OperationCheck::RegistryKey,             false, false},
    {BrokerOperation::ListValues,    "list-values",  OperationCheck::RegistryKey,             false, false},
    {BrokerOperation::Ping,          "ping",         OperationCheck::None,                    false, false},
    {BrokerOperation::ReadQword,     "read-qword",   OperationCheck::RegistryKey,             false, true},
    {BrokerOperation::WriteQword,    "write-qword",  OperationCheck::RegistryKey,             true,  true},
    {BrokerOperation::FileRead,      "file-read",    OperationCheck::AppDataPath,             false, false},
    {BrokerOperation::FileWrite,     "file-write",   OperationCheck::AppDataPathAndTemporary, true,  false},
    {BrokerOperation::FileExists,    "file-exists",  OperationCheck::AppDataPath,             false, false},
    {BrokerOperation::FileDelete,    "file-delete",  OperationCheck::AppDataPath,             true,  false},
    {BrokerOperation::ShellOpen,     "shell-open",   OperationCheck::ShellTarget,             false, false},
    {BrokerOperation::CopyKeyTree,   "copy-tree",    OperationCheck::KeyTreeCopy,             true,  false},
    {BrokerOperation::FileCopy,      "file-copy",    OperationCheck::FileCopy,                true,  false},
    {BrokerOperation::FileExport,    "file-export",  OperationCheck::FileExport,              true,  false},
};
// clang-format on
inline constexpr size_t kOperationCount = sizeof(kOperations) / sizeof(kOperations[0]);

constexpr uint32_t OperationCode(BrokerOperation operation) {
  return static_cast<uint32_t>(operation);
}

constexpr int32_t StatusCode(BrokerStatus status) {
  return static_cast<int32_t>(status);
}

// The row's index in kOperations, or kOperationCount for a code without one.
constexpr size_t OperationIndex(uint32_t code) {
  size_t i = 0;
  while (i < kOperationCount && OperationCode(kOperations[i].code) != code) ++i;
  return i;
}

// The row of `code`, or nullptr.
constexpr const OperationInfo* FindOperation(uint32_t code) {
  const size_t i = OperationIndex(code);
  return i < kOperationCount ? &kOperations[i] : nullptr;
}

// The row of `operation`; every enumerator has one (checked below).
constexpr const OperationInfo& Operation(BrokerOperation operation) {
  return kOperations[OperationIndex(OperationCode(operation))];
}

// The operations whose path (and name, where they take two) are file-system
// paths rather than keys or addresses.
constexpr bool TakesFilePaths(OperationCheck check) {
  return check == OperationCheck::AppDataPath || check == OperationCheck::AppDataPathAndTemporary ||
         check == OperationCheck::FileCopy || check == OperationCheck::FileExport;
}

// "Ok", "NotFound", "Denied", "Failed", "Invalid"; "Unknown" for any other code.
constexpr const char* StatusName(int32_t status) {
  constexpr const char* kNames[] = {"Ok", "NotFound", "Denied", "Failed", "Invalid"};
  static_assert(StatusCode(BrokerStatus::Invalid) + 1 == sizeof(kNames) / sizeof(kNames[0]));
  return status >= 0 && status < static_cast<int32_t>(sizeof(kNames) / sizeof(kNames[0]))
             ? kNames[status]
             : "Unknown";
}

namespace detail {
constexpr bool CodesAndNamesAreUnique() {
  for (size_t i = 0; i < kOperationCount; ++i) {
    for (size_t j = i + 1; j < kOperationCount; ++j) {
      if (kOperations[i].code == kOperations[j].code) return false;
      if (kOperations[i].name == kOperations[j].name) return false;
    }
  }
  return true;
}
}  // namespace detail
static_assert(detail::CodesAndNamesAreUnique());

}  // namespace corvane
