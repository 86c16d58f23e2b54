#include "requests/file_shell_operations.h"

#include <string>
#include <vector>

#include "ipc/debug_output.h"
#include "policy/path_policy.h"
#include "requests/broker_request.h"
#include "requests/file_ops.h"
#include "requests/folders.h"
#include "requests/hex_text.h"
#include "requests/shell_open.h"

namespace corvane {

namespace {

constexpr int32_t Status(BrokerStatus status) {
  return static_cast<int32_t>(status);
}

int32_t Refuse(const char* prefix, PolicyVerdict verdict) {
  const std::string line = std::string(prefix) + VerdictText(verdict) + "\n";
  ipc::DebugOutput(line.c_str());
  return Status(BrokerStatus::Denied);
}

int32_t FileCopy(const std::u16string& source, const std::u16string& destination) {
  const PolicyVerdict verdict = CheckFileCopy(source, destination, TempFolder());
  if (verdict != PolicyVerdict::Allow) return Refuse("[CorvaneBroker] file copy ", verdict);
  return Status(CopyIntoTemp(source, destination));
}

int32_t FileExport(const std::u16string& source, const std::u16string& destination) {
  const PolicyVerdict verdict = CheckFileExport(source, destination, TempFolder());
  if (verdict != PolicyVerdict::Allow) return Refuse("[CorvaneBroker] file export ", verdict);
  return Status(ExportFile(source, destination));
}

int32_t AppDataFileOperation(BrokerOperation operation, const std::u16string& path,
                             const std::u16string& data, std::u16string& text) {
  const std::u16string folder = AppDataFolder();
  PolicyVerdict verdict = CheckAppDataPath(path, folder);
  // A write creates path + ".tmp" first; for the corvane folder itself that
  // name lies beside the folder, outside it.
  if (verdict == PolicyVerdict::Allow && operation == BrokerOperation::FileWrite) {
    verdict = CheckAppDataPath(path + u".tmp", folder);
  }
  if (verdict != PolicyVerdict::Allow) return Refuse("[CorvaneBroker] ", verdict);

  std::vector<uint8_t> bytes;
  switch (operation) {
    case BrokerOperation::FileRead:
      if (!ReadWholeFile(path, bytes)) return Status(BrokerStatus::NotFound);
      text = HexText::Encode(bytes);
      return Status(BrokerStatus::Ok);
    case BrokerOperation::FileWrite:
      if (!HexText::Decode(data, bytes)) return Status(BrokerStatus::Invalid);
      return Status(WriteFileAtomically(path, bytes) ? BrokerStatus::Ok : BrokerStatus::Failed);
    case BrokerOperation::FileExists:
      return Status(PathExists(path) ? BrokerStatus::Ok : BrokerStatus::NotFound);
    default:  // FileDelete
      return Status(DeleteFileIfPresent(path) ? BrokerStatus::Ok : BrokerStatus::Failed);
  }
}

}  // namespace

bool DispatchFileOrShellOperation(uint32_t operation, const std::u16string& path,
                                  const std::u16string& name, const std::u16string& data,
                                  std::u16string& text, int32_t& status) {
  switch (static_cast<BrokerOperation>(operation)) {
    case BrokerOperation::ShellOpen:
      status = ShellOpen(path);
      return true;
    case BrokerOperation::FileCopy:
      status = FileCopy(path, name);
      return true;
    case BrokerOperation::FileExport:
      status = FileExport(path, name);
      return true;
    case BrokerOperation::FileRead:
    case BrokerOperation::FileWrite:
    case BrokerOperation::FileExists:
    case BrokerOperation::FileDelete:
      status = AppDataFileOperation(static_cast<BrokerOperation>(operation), path, data, text);
      return true;
    default:
      return false;
  }
}

}  // namespace corvane
