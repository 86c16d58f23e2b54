// Starting the broker process and watching it. Kept apart from connecting,
// so that a caller may start the broker its own way (for example under a
// debugger loop) and then connect with BrokerConnection. Windows only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "plugin/client/client_result.h"
#include "win/scoped_handle.h"

namespace corvane::client {

// INFINITE, spelled without <windows.h>.
inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class BrokerProcess {
 public:
  BrokerProcess() = default;
  BrokerProcess(UniqueHandle process, uint32_t id) : process_(std::move(process)), id_(id) {}

  HANDLE handle() const { return process_.get(); }
  uint32_t id() const { return id_; }

  // The exit code once the process has ended; nothing while it runs.
  std::optional<uint32_t> ExitCode() const;
  // Waits at most `timeoutMs` (kWaitForever for no limit); nothing if it still runs.
  std::optional<uint32_t> WaitForExit(uint32_t timeoutMs = kWaitForever) const;
  bool Terminate(uint32_t exitCode) const;

 private:
  UniqueHandle process_;
  uint32_t id_ = 0;
};

// `fileName` in the folder of the running program.
std::u16string PathBesideThisProgram(std::u16string_view fileName);

// `fileName` in the folder of the module that holds the client code:
// corvane_client.dll when a plug-in uses the DLL, the program itself when
// the client library is linked into it statically. Not the program's
// folder in general: a plug-in DLL runs inside the viewer, whose folder
// holds no broker.
std::u16string PathBesideClientModule(std::u16string_view fileName);

// The broker a session starts when given no path: corvane-broker.exe beside
// the client module (PathBesideClientModule).
std::u16string DefaultBrokerPath();

// A pipe name no other broker uses: "corvane.<pid>.<tick>.<n>" in hexadecimal.
std::u16string MakeUniqueIpcName();

// Starts `exePath` with exactly `commandLine` (no window, no inherited handles).
Result<BrokerProcess> StartProcess(std::u16string_view exePath, std::u16string commandLine);

// Starts the broker for `servedProcessId` on the pipe `ipcName`.
Result<BrokerProcess> StartBroker(std::u16string_view exePath, std::u16string_view ipcName,
                                  uint32_t servedProcessId);

}  // namespace corvane::client
