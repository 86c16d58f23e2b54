#include "requests/operation_checks.h"

#include <windows.h>

#include "policy/path_policy.h"
#include "policy/registry_key_policy.h"
#include "policy/shell_policy.h"
#include "requests/real_path.h"
#include "win/folders.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

bool Allows(PolicyVerdict verdict) {
  return verdict == PolicyVerdict::Allow;
}

// Each check judges `r` and stores in `out` what the action is to use.
CheckOutcome KeyCheck(const RequestFields& r, bool writes, Judgement& out) {
  JudgedKey key = JudgeRegistryKey(r.hive, r.path, writes);
  // The registry gets the key exactly as it was judged.
  out.key = std::move(key.text);
  return {key.verdict};
}

CheckOutcome KeyTreeCopyCheck(const RequestFields& r, Judgement& out) {
  // Both checks always run, so neither verdict depends on the other.
  JudgedKey from = JudgeRegistryKey(r.hive, r.path, false);
  JudgedKey to = JudgeRegistryKey(r.hive, r.name, true);
  out.key = std::move(from.text);
  out.destinationKey = std::move(to.text);
  const bool allowed = Allows(from.verdict) && Allows(to.verdict);
  return {allowed ? PolicyVerdict::Allow : PolicyVerdict::OutsideSubtree, "copy tree ", false};
}

CheckOutcome AppDataCheck(const RequestFields& r, bool withTemporary, Judgement& out) {
  out.folder = AppDataFolder();
  PolicyVerdict verdict = CheckAppDataPath(r.path, out.folder);
  // An atomic write creates path + ".tmp" first; for the corvane folder
  // itself that name lies beside the folder, outside it.
  if (Allows(verdict) && withTemporary) verdict = CheckAppDataPath(r.path + u".tmp", out.folder);
  return {verdict};
}

// Whether the environment expansion of `target` is `target` itself. The shell
// expands variables in what it is handed; the rule sees only the text, and a
// name that looks like a web address's escape ("%DB...%") may still be
// defined here, so the real expansion is compared as well.
bool ExpandsToItself(const std::u16string& target) {
  std::u16string expanded(target.size() + 1, u'\0');
  const DWORD units = ExpandEnvironmentStringsW(win::Wide(target), win::Wide(expanded.data()),
                                                static_cast<DWORD>(expanded.size()));
  // Any other count, a failure included, is a different text.
  if (units != expanded.size()) return false;
  expanded.pop_back();
  return expanded == target;
}

CheckOutcome ShellTargetCheck(const RequestFields& r, Judgement& out) {
  JudgedShellTarget judged = JudgeShellTarget(r.path);
  if (Allows(judged.verdict) && !ExpandsToItself(r.path)) judged = {};
  // The shell is to use the judged type's handler, not find one from the
  // text again.
  out.shellTarget = judged;
  return {judged.verdict, "shell open "};
}

CheckOutcome Judge(OperationCheck check, const RequestFields& r, bool writes, Judgement& out) {
  switch (check) {
    case OperationCheck::None:
      return {};
    case OperationCheck::RegistryKey:
      return KeyCheck(r, writes, out);
    case OperationCheck::KeyTreeCopy:
      return KeyTreeCopyCheck(r, out);
    case OperationCheck::AppDataPath:
      return AppDataCheck(r, false, out);
    case OperationCheck::AppDataPathAndTemporary:
      return AppDataCheck(r, true, out);
    case OperationCheck::FileCopy:
      out.folder = TempFolder();
      return {CheckFileCopy(r.path, r.name, out.folder), "file copy "};
    case OperationCheck::FileExport:
      out.folder = TempFolder();
      return {CheckFileExport(r.path, r.name, out.folder), "file export "};
    case OperationCheck::ShellTarget:
      return ShellTargetCheck(r, out);
  }
  return {PolicyVerdict::Malformed};
}

}  // namespace

CheckOutcome RunCheck(OperationCheck check, const RequestFields& fields, bool writes) {
  Judgement judged;
  CheckOutcome outcome = Judge(check, fields, writes, judged);
  if (outcome.verdict == PolicyVerdict::Allow) {
    outcome.request.emplace(CheckedRequest(check, fields, std::move(judged)));
  }
  return outcome;
}

RealPathCheck CheckedRequest::RealPathInside() const {
  // The folder comes from the shell and is trusted; its own real path is
  // what real paths below it start with.
  std::u16string realFolder = RealFolderPath(folder);
  const std::u16string& source = path;
  const std::u16string& destination = name;
  switch (check) {
    case OperationCheck::FileCopy:
      return [realFolder, &source](const std::u16string& real) {
        return !realFolder.empty() && Allows(CheckFileCopy(source, real, realFolder));
      };
    case OperationCheck::FileExport:
      return [realFolder, &destination](const std::u16string& real) {
        return !realFolder.empty() && Allows(CheckFileExport(real, destination, realFolder));
      };
    default:
      return [realFolder](const std::u16string& real) {
        return !realFolder.empty() && Allows(CheckAppDataPath(real, realFolder));
      };
  }
}

}  // namespace corvane
