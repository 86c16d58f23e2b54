// Symbolic links for the tests that judge what a request really opened.
// Under Wine a Unix symbolic link inside the prefix behaves like a junction
// (or a file link): CreateFileW follows it and GetFinalPathNameByHandleW
// answers its target. Wine 8's CreateSymbolicLinkW answers TRUE without
// making anything, so the link is made from the Unix side: CreateProcessW
// runs a Unix program named by its Unix path, but gives no handle to wait
// on, so the helpers wait until the link appears or is gone. Windows (Wine)
// only.
#pragma once

#include <windows.h>

#include <string>

#include "tests/files/hostile_paths.h"
#include "tests/files/local_files.h"
#include "win/process_information.h"

namespace corvane::test {

// Wine's Unix name of a path whose last component may not exist yet.
inline std::u16string UnixNameOfEntry(const std::u16string& path) {
  const size_t cut = path.rfind(u'\\');
  const std::u16string folder = UnixName(path.substr(0, cut));
  return folder.empty() ? folder : folder + u"/" + path.substr(cut + 1);
}

// Starts `command` (a Unix program and its arguments) and waits, at most
// about 20 seconds, until `done` holds.
template <typename Done>
bool RunUnixCommand(std::u16string command, Done done) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  win::ProcessInformation process;
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr, FALSE,
                      0, nullptr, nullptr, &startup, process.Receive())) {
    return false;
  }
  process.Reset();
  for (int i = 0; i < 2000 && !done(); ++i) Sleep(10);
  return done();
}

// Makes `link` (which must not exist) a symbolic link to `target` (which
// must). Wine 8 shows a folder link with FILE_ATTRIBUTE_REPARSE_POINT but a
// file link as a plain file, and FILE_FLAG_OPEN_REPARSE_POINT opens the
// target of either.
inline bool MakeUnixLink(const std::u16string& link, const std::u16string& target) {
  const std::u16string from = UnixName(target), to = UnixNameOfEntry(link);
  if (from.empty() || to.empty() || Exists(link)) return false;
  return RunUnixCommand(u"/bin/ln -s \"" + from + u"\" \"" + to + u"\"",
                        [&] { return Exists(link); });
}

// Removes the link itself, where Windows calls would act on its target.
inline bool RemoveUnixLink(const std::u16string& link) {
  const std::u16string name = UnixNameOfEntry(link);
  if (name.empty()) return false;
  return RunUnixCommand(u"/bin/rm -f \"" + name + u"\"", [&] { return !Exists(link); });
}

// Makes `link` a symbolic link to `target`, which is then missing: Wine
// shows a dangling link nowhere (not even in a folder listing), so the link
// is made to a file created for the purpose and removed afterwards. The
// target's folder is made if needed and left for the caller.
inline bool MakeDanglingUnixLink(const std::u16string& link, const std::u16string& target) {
  MakeFolders(target.substr(0, target.rfind(u'\\')));
  if (!WriteBytes(target, {}) || !MakeUnixLink(link, target)) return false;
  return DeleteFileW(W(target)) && !Exists(link);
}

// Removes a link whose target may be missing: the target is made again so
// that the link can be seen going, then removed.
inline bool RemoveDanglingUnixLink(const std::u16string& link, const std::u16string& target) {
  MakeFolders(target.substr(0, target.rfind(u'\\')));
  const bool made = WriteBytes(target, {});
  const bool removed = RemoveUnixLink(link);
  return made && DeleteFileW(W(target)) && removed;
}

}  // namespace corvane::test
