#include "requests/file_shell_operations.h"

#include <string>
#include <vector>

#include "ipc/debug_output.h"
#include "policy/path_policy.h"
#include "requests/broker_request.h"
#include "requests/file_ops.h"
#include "requests/folders.h"
#include "requests/hex_text.h"
#include "requests/real_path.h"
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

// A verdict of the rule on a real path: only Allow lets the request act.
bool Allows(PolicyVerdict verdict) {
  return verdict == PolicyVerdict::Allow;
}

// The operation's status; a real path judged outside is refused like a
// path outside.
int32_t Finish(BrokerStatus status, const char* prefix) {
  if (status == BrokerStatus::Denied) return Refuse(prefix, PolicyVerdict::OutsideSubtree);
  return Status(status);
}

int32_t FileCopy(const std::u16string& source, const std::u16string& destination) {
  constexpr const char* kPrefix = "[CorvaneBroker] file copy ";
  const std::u16string temp = TempFolder();
  const PolicyVerdict verdict = CheckFileCopy(source, destination, temp);
  if (verdict != PolicyVerdict::Allow) return Refuse(kPrefix, verdict);
  // The folder comes from the shell and is trusted; its own real path is
  // what real paths below it start with.
  const std::u16string realTemp = RealFolderPath(temp);
  const RealPathCheck inside = [&](const std::u16string& real) {
    return !realTemp.empty() && Allows(CheckFileCopy(source, real, realTemp));
  };
  return Finish(CopyIntoTemp(source, destination, inside), kPrefix);
}

int32_t FileExport(const std::u16string& source, const std::u16string& destination) {
  constexpr const char* kPrefix = "[CorvaneBroker] file export ";
  const std::u16string temp = TempFolder();
  const PolicyVerdict verdict = CheckFileExport(source, destination, temp);
  if (verdict != PolicyVerdict::Allow) return Refuse(kPrefix, verdict);
  const std::u16string realTemp = RealFolderPath(temp);
  const RealPathCheck inside = [&](const std::u16string& real) {
    return !realTemp.empty() && Allows(CheckFileExport(real, destination, realTemp));
  };
  return Finish(ExportFile(source, destination, inside), kPrefix);
}

int32_t AppDataFileOperation(BrokerOperation operation, const std::u16string& path,
                             const std::u16string& data, std::u16string& text) {
  constexpr const char* kPrefix = "[CorvaneBroker] ";
  const std::u16string folder = AppDataFolder();
  PolicyVerdict verdict = CheckAppDataPath(path, folder);
  // A write creates path + ".tmp" first; for the corvane folder itself that
  // name lies beside the folder, outside it.
  if (verdict == PolicyVerdict::Allow && operation == BrokerOperation::FileWrite) {
    verdict = CheckAppDataPath(path + u".tmp", folder);
  }
  if (verdict != PolicyVerdict::Allow) return Refuse(kPrefix, verdict);

  std::vector<uint8_t> bytes;
  if (operation == BrokerOperation::FileWrite && !HexText::Decode(data, bytes)) {
    return Status(BrokerStatus::Invalid);  // before anything is touched
  }
  const std::u16string realFolder = RealFolderPath(folder);
  const RealPathCheck inside = [&](const std::u16string& real) {
    return !realFolder.empty() && Allows(CheckAppDataPath(real, realFolder));
  };
  switch (operation) {
    case BrokerOperation::FileRead: {
      const BrokerStatus status = ReadWholeFile(path, inside, bytes);
      if (status == BrokerStatus::Ok) text = HexText::Encode(bytes);
      return Finish(status, kPrefix);
    }
    case BrokerOperation::FileWrite:
      return Finish(WriteFileAtomically(path, bytes, inside), kPrefix);
    case BrokerOperation::FileExists:
      return Finish(PathExists(path, inside), kPrefix);
    default:  // FileDelete
      return Finish(DeleteFileIfPresent(path, inside), kPrefix);
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
