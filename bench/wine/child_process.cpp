#include "bench/wine/child_process.h"

#include <vector>

#include "win/process_information.h"

namespace corvane::bench {

ChildProcess::~ChildProcess() {
  if (!process_) return;
  // A child that is still running after its session ended is stuck.
  if (WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& arguments) {
  const std::wstring path = ProgramFolder() + program;
  std::wstring commandLine = L"\"" + path + L"\" " + arguments;
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  win::ProcessInformation info;
  if (!CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, info.Receive())) {
    return false;
  }
  process_ = info.TakeProcess();
  return true;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
  if (!process_) return false;
  if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  exitCode = 0;
  GetExitCodeProcess(process_.get(), &exitCode);
  return true;
}

bool ChildProcess::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> buffer(32768);
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring path(buffer.data(), n);
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring UniquePipeName(const wchar_t* tag) {
  static unsigned counter = 0;
  return std::wstring(tag) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
}

std::wstring BrokerArguments(const std::wstring& pipeName) {
  return L"--ipc=" + pipeName + L" --proc=" + std::to_wstring(GetCurrentProcessId());
}

}  // namespace corvane::bench
