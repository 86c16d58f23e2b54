// The answer of CreateProcessW, owned: both the process and the thread
// handle close with the owner unless taken out. Windows only.
#pragma once

#include <windows.h>

#include "win/scoped_handle.h"

namespace corvane::win {

class ProcessInformation {
 public:
  ProcessInformation() = default;
  ~ProcessInformation() { Reset(); }
  ProcessInformation(const ProcessInformation&) = delete;
  ProcessInformation& operator=(const ProcessInformation&) = delete;

  // For CreateProcessW and friends: closes what is held and answers where
  // the call writes, so the owner holds both handles it wrote.
  [[nodiscard]] PROCESS_INFORMATION* Receive() {
    Reset();
    return &info_;
  }

  HANDLE process() const { return info_.hProcess; }
  DWORD processId() const { return info_.dwProcessId; }
  // The process handle, now the caller's; the thread handle stays here.
  [[nodiscard]] UniqueHandle TakeProcess() {
    UniqueHandle process(info_.hProcess);
    info_.hProcess = nullptr;
    return process;
  }
  // Closes both handles held; the ids are forgotten too.
  void Reset() {
    const UniqueHandle process(info_.hProcess);
    const UniqueHandle thread(info_.hThread);
    info_ = PROCESS_INFORMATION{};
  }

 private:
  PROCESS_INFORMATION info_{};
};

}  // namespace corvane::win
