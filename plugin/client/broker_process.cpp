#include "plugin/client/broker_process.h"

#include <atomic>
#include <string>
#include <vector>

#include "plugin/client/command_line.h"
#include "protocol/hex_text.h"
#include "win/process_information.h"
#include "win/wide_text.h"

namespace corvane::client {

namespace {

std::u16string Hex(uint64_t value) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(HexDigit(static_cast<unsigned>(value))));
    value >>= 4;
  } while (value != 0);
  return text;
}

}  // namespace

std::optional<uint32_t> BrokerProcess::ExitCode() const {
  return WaitForExit(0);
}

std::optional<uint32_t> BrokerProcess::WaitForExit(uint32_t timeoutMs) const {
  if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

bool BrokerProcess::Terminate(uint32_t exitCode) const {
  return process_ && TerminateProcess(process_.get(), exitCode) != 0;
}

namespace {

// `fileName` in the folder of `module` (null: the program); just `fileName`
// if the module's path cannot be had.
std::u16string PathBesideModule(HMODULE module, std::u16string_view fileName) {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD got = GetModuleFileNameW(module, win::Wide(path.data()), size);
    if (got == 0) return std::u16string(fileName);
    if (got < size) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(u"\\/");
  path.resize(slash == std::u16string::npos ? 0 : slash + 1);
  return path += fileName;
}

}  // namespace

std::u16string PathBesideThisProgram(std::u16string_view fileName) {
  return PathBesideModule(nullptr, fileName);
}

std::u16string PathBesideClientModule(std::u16string_view fileName) {
  // The address of this very function names the module the client code was
  // linked into: corvane_client.dll for a plug-in, the program otherwise.
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&PathBesideClientModule), &module)) {
    module = nullptr;
  }
  return PathBesideModule(module, fileName);
}

std::u16string DefaultBrokerPath() {
  return PathBesideClientModule(u"corvane-broker.exe");
}

std::u16string MakeUniqueIpcName() {
  static std::atomic<uint32_t> counter{0};
  return u"corvane." + Hex(GetCurrentProcessId()) + u"." + Hex(GetTickCount64()) + u"." +
         Hex(counter.fetch_add(1) + 1u);
}

Result<BrokerProcess> StartProcess(std::u16string_view exePath, std::u16string commandLine) {
  const std::u16string exe(exePath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  win::ProcessInformation info;
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::vector<char16_t> line(commandLine.begin(), commandLine.end());
  line.push_back(u'\0');
  if (!CreateProcessW(win::Wide(exe), win::Wide(line.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, info.Receive())) {
    const DWORD error = GetLastError();
    return ClientError{
        ErrorKind::StartFailed,
        "cannot start the broker: CreateProcessW failed with error " + std::to_string(error),
        error};
  }
  const uint32_t id = info.processId();
  return BrokerProcess(info.TakeProcess(), id);
}

Result<BrokerProcess> StartBroker(std::u16string_view exePath, std::u16string_view ipcName,
                                  uint32_t servedProcessId) {
  return StartProcess(exePath, BuildBrokerCommandLine(exePath, ipcName, servedProcessId));
}

}  // namespace corvane::client
