// The request protocol of message 6: operation codes, statuses and which
// operations write.
#pragma once

#include <cstdint>

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

enum class BrokerStatus : int32_t {
  Ok = 0,
  NotFound = 1,
  Denied = 2,
  Failed = 3,
  Invalid = 4,
};

// Registry operations that change something: refused on the read-only hive.
constexpr bool IsWritingOperation(uint32_t operation) {
  switch (operation) {
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 13:
      return true;
    default:
      return false;
  }
}

}  // namespace corvane
