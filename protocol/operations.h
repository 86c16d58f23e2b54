// The request protocol of message 6, as both sides read it: the operation
// table and the statuses with their names. An operation's row declares it
// whole: its code, its name, the check a request passes, whether it writes,
// what the path, name and data fields carry and the form of its Ok answer's
// text. Portable: no platform types and no actions; the broker pins its
// actions to these rows (requests/operation_actions.h), the client library
// its typed calls and parsers, the tool its arguments and answer layouts,
// and a test the tables of docs/protocol.md.
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

// What a field of the request carries.
enum class FieldRole {
  Unused,           // ignored; sent empty
  Key,              // a registry key in the request's hive (the only field that takes the hive)
  ValueName,        // one value's name, which must be valid
  DestinationKey,   // the key a copy makes, in the same hive
  FilePath,         // an absolute file-system path
  DestinationPath,  // the file a copy makes
  ShellTarget,      // a web address or a document
  Text,             // a string, stored as it is
  Decimal32,        // a number in decimal, stored as 32 bits
  Decimal64,        // a number in decimal, stored as 64 bits
  HexBytes,         // bytes in hexadecimal, two digits a byte
};

// The form of the text an Ok answer carries.
enum class OkText {
  Empty,      // nothing: the status is the answer
  Text,       // one string as it is
  Pong,       // "pong"
  Decimal32,  // an unsigned 32-bit number in decimal
  Decimal64,  // an unsigned 64-bit number in decimal
  NulList,    // items, each followed by U+0000
  NulPairs,   // name, U+0000, text, U+0000, for each item
  HexBytes,   // bytes in lower-case hexadecimal, two digits a byte
};

struct OperationInfo {
  BrokerOperation code;
  std::string_view name;  // the plug-in tool's command
  OperationCheck check;
  bool writes;  // changes what it names; a key check refuses it on the read-only hive
  FieldRole pathRole;
  FieldRole nameRole;
  FieldRole dataRole;
  OkText okText;
};

// One row per operation. Codes without a row get the key check as readers
// and then answer Invalid.
namespace operation_rows {
using Op = BrokerOperation;
using C = OperationCheck;
using F = FieldRole;
using Ok = OkText;
// clang-format off
inline constexpr OperationInfo kRows[] = {
    // code             tool command    check                       writes path            name                data          Ok text
    {Op::ReadString,    "read-string",  C::RegistryKey,             false, F::Key,         F::ValueName,       F::Unused,    Ok::Text},
    {Op::WriteString,   "write-string", C::RegistryKey,             true,  F::Key,         F::ValueName,       F::Text,      Ok::Empty},
    {Op::ReadDword,     "read-dword",   C::RegistryKey,             false, F::Key,         F::ValueName,       F::Unused,    Ok::Decimal32},
    {Op::WriteDword,    "write-dword",  C::RegistryKey,             true,  F::Key,         F::ValueName,       F::Decimal32, Ok::Empty},
    {Op::DeleteValue,   "delete-value", C::RegistryKey,             true,  F::Key,         F::ValueName,       F::Unused,    Ok::Empty},
    {Op::DeleteKey,     "delete-key",   C::RegistryKey,             true,  F::Key,         F::Unused,          F::Unused,    Ok::Empty},
    {Op::DeleteKeyTree, "delete-tree",  C::RegistryKey,             true,  F::Key,         F::Unused,          F::Unused,    Ok::Empty},
    {Op::KeyExists,     "key-exists",   C::RegistryKey,             false, F::Key,         F::Unused,          F::Unused,    Ok::Empty},
    {Op::ListSubkeys,   "list-subkeys", C::RegistryKey,             false, F::Key,         F::Unused,          F::Unused,    Ok::NulList},
    {Op::ListValues,    "list-values",  C::RegistryKey,             false, F::Key,         F::Unused,          F::Unused,    Ok::NulPairs},
    {Op::Ping,          "ping",         C::None,                    false, F::Unused,      F::Unused,          F::Unused,    Ok::Pong},
    {Op::ReadQword,     "read-qword",   C::RegistryKey,             false, F::Key,         F::ValueName,       F::Unused,    Ok::Decimal64},
    {Op::WriteQword,    "write-qword",  C::RegistryKey,             true,  F::Key,         F::ValueName,       F::Decimal64, Ok::Empty},
    {Op::FileRead,      "file-read",    C::AppDataPath,             false, F::FilePath,    F::Unused,          F::Unused,    Ok::HexBytes},
    {Op::FileWrite,     "file-write",   C::AppDataPathAndTemporary, true,  F::FilePath,    F::Unused,          F::HexBytes,  Ok::Empty},
    {Op::FileExists,    "file-exists",  C::AppDataPath,             false, F::FilePath,    F::Unused,          F::Unused,    Ok::Empty},
    {Op::FileDelete,    "file-delete",  C::AppDataPath,             true,  F::FilePath,    F::Unused,          F::Unused,    Ok::Empty},
    {Op::ShellOpen,     "shell-open",   C::ShellTarget,             false, F::ShellTarget, F::Unused,          F::Unused,    Ok::Empty},
    {Op::CopyKeyTree,   "copy-tree",    C::KeyTreeCopy,             true,  F::Key,         F::DestinationKey,  F::Unused,    Ok::Empty},
    {Op::FileCopy,      "file-copy",    C::FileCopy,                true,  F::FilePath,    F::DestinationPath, F::Unused,    Ok::Empty},
    {Op::FileExport,    "file-export",  C::FileExport,              true,  F::FilePath,    F::DestinationPath, F::Unused,    Ok::Empty},
};
// clang-format on
}  // namespace operation_rows
inline constexpr const auto& kOperations = operation_rows::kRows;
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
constexpr bool TakesFilePaths(const OperationInfo& row) {
  return row.pathRole == FieldRole::FilePath;
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
// The fields a check judges are the ones the row says it has.
constexpr bool FieldsFitTheCheck(const OperationInfo& row) {
  const auto fields = [&](FieldRole path, FieldRole name) {
    return row.pathRole == path && row.nameRole == name;
  };
  switch (row.check) {
    case OperationCheck::None:
      return fields(FieldRole::Unused, FieldRole::Unused) && row.dataRole == FieldRole::Unused;
    case OperationCheck::RegistryKey:
      return fields(FieldRole::Key, FieldRole::ValueName) ||
             fields(FieldRole::Key, FieldRole::Unused);
    case OperationCheck::KeyTreeCopy:
      return fields(FieldRole::Key, FieldRole::DestinationKey);
    case OperationCheck::AppDataPath:
    case OperationCheck::AppDataPathAndTemporary:
      return fields(FieldRole::FilePath, FieldRole::Unused);
    case OperationCheck::FileCopy:
    case OperationCheck::FileExport:
      return fields(FieldRole::FilePath, FieldRole::DestinationPath);
    case OperationCheck::ShellTarget:
      return fields(FieldRole::ShellTarget, FieldRole::Unused);
  }
  return false;
}

// Codes and names are unique, and each row's roles are what its check judges.
constexpr bool RowsAreSound() {
  for (size_t i = 0; i < kOperationCount; ++i) {
    if (!FieldsFitTheCheck(kOperations[i])) return false;
    for (size_t j = i + 1; j < kOperationCount; ++j) {
      if (kOperations[i].code == kOperations[j].code) return false;
      if (kOperations[i].name == kOperations[j].name) return false;
    }
  }
  return true;
}
}  // namespace detail
static_assert(detail::RowsAreSound());

}  // namespace corvane
