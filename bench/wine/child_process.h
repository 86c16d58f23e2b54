// Programs the benchmark starts: the broker and the baseline servers. Each
// is ended by its own handle if it has not exited when its owner goes.
// Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "win/scoped_handle.h"

namespace corvane::bench {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&&) noexcept = default;
  ChildProcess& operator=(ChildProcess&&) noexcept = default;

  // Starts `program` (a file in this program's folder) with `arguments`.
  bool Start(const std::wstring& program, const std::wstring& arguments);
  // Waits at most `timeoutMs`; false if it still runs. `exitCode` gets its code.
  bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);
  HANDLE handle() const { return process_.get(); }
  bool running() const;

 private:
  UniqueHandle process_;
};

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();
// A pipe name that no other run uses: "<tag>-<pid>-<n>".
std::wstring UniquePipeName(const wchar_t* tag);
// The broker's arguments for serving this process on `pipeName`.
std::wstring BrokerArguments(const std::wstring& pipeName);

}  // namespace corvane::bench
