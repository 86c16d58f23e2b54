#include "plugin/client/debug_monitor.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "win/process_information.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane::client {
namespace {

constexpr DWORD kWow64Breakpoint = 0x4000001F;  // STATUS_WX86_BREAKPOINT
// How long the destructor lets a debuggee end on its own before ending it.
constexpr uint32_t kGraceMs = 5000;

// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace

struct DebugMonitor::Loop {
  std::thread thread;
  UniqueHandle process;
  uint32_t processId = 0;

  OutputSink sink;  // set before the thread starts, read only by it

  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  DWORD startError = 0;
  bool finished = false;
  std::optional<uint32_t> exitCode;
  std::vector<std::string> output;

  // The body of the dedicated thread: creates the debuggee, reports the
  // outcome, then serves its debug events until it exits.
  void Run(std::u16string exePath, std::u16string commandLine) noexcept {
    try {
      if (!Create(exePath, commandLine)) return;
      ServeEvents();
    } catch (...) {
      // Only allocation can throw here; the debuggee must not be left
      // stopped at an event nobody will continue.
      if (process) TerminateProcess(process.get(), 1);
      Finish(std::nullopt);
    }
  }

  bool Create(const std::u16string& exePath, std::u16string& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    win::ProcessInformation info;
    const BOOL created =
        CreateProcessW(win::Wide(exePath), win::Wide(commandLine.data()), nullptr, nullptr, FALSE,
                       DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, info.Receive());
    const DWORD createError = created ? 0 : GetLastError();
    std::lock_guard<std::mutex> lock(mutex);
    started = true;
    if (!created) {
      startError = createError;
      finished = true;
      changed.notify_all();
      return false;
    }
    processId = info.processId();
    process = info.TakeProcess();
    changed.notify_all();
    return true;
  }

  void ServeEvents() {
    while (true) {
      DEBUG_EVENT event{};
      if (!WaitForDebugEvent(&event, INFINITE)) {
        TerminateProcess(process.get(), 1);
        Finish(std::nullopt);
        return;
      }
      DWORD continueStatus = DBG_CONTINUE;
      bool exited = false;
      switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
          UniqueHandle(event.u.CreateProcessInfo.hFile).Reset();
          break;
        case LOAD_DLL_DEBUG_EVENT:
          UniqueHandle(event.u.LoadDll.hFile).Reset();
          break;
        case OUTPUT_DEBUG_STRING_EVENT:
          ReadOutput(event.u.DebugString);
          break;
        case EXCEPTION_DEBUG_EVENT: {
          const DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
          // Breakpoints are the loader's greeting to a debugger; every other
          // exception goes back to the debuggee's own handlers.
          if (code != EXCEPTION_BREAKPOINT && code != kWow64Breakpoint) {
            continueStatus = static_cast<DWORD>(DBG_EXCEPTION_NOT_HANDLED);
          }
          break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
          exited = true;
          break;
        default:
          break;
      }
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
      if (exited) {
        Finish(event.u.ExitProcess.dwExitCode);
        return;
      }
    }
  }

  void ReadOutput(const OUTPUT_DEBUG_STRING_INFO& info) {
    const size_t unitSize = info.fUnicode ? sizeof(wchar_t) : 1;
    const size_t units = info.nDebugStringLength;  // a WORD: bounded by 65535
    std::string raw(units * unitSize, '\0');
    SIZE_T read = 0;
    if (units == 0 ||
        !ReadProcessMemory(process.get(), info.lpDebugStringData, raw.data(), raw.size(), &read)) {
      return;
    }
    raw.resize(read);
    std::string text;
    if (info.fUnicode) {
      std::wstring wide(raw.size() / sizeof(wchar_t), L'\0');
      std::memcpy(wide.data(), raw.data(), wide.size() * sizeof(wchar_t));
      wide.resize(wide.find(L'\0') == std::wstring::npos ? wide.size() : wide.find(L'\0'));
      text = WideToUtf8(wide.data(), static_cast<int>(wide.size()));
    } else {
      // Narrow strings are in the debuggee's ANSI code page; pass them on as UTF-8.
      raw.resize(raw.find('\0') == std::string::npos ? raw.size() : raw.find('\0'));
      const int count =
          MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
      std::wstring wide(static_cast<size_t>(count > 0 ? count : 0), L'\0');
      if (count > 0) {
        MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), wide.data(),
                            count);
      }
      text = WideToUtf8(wide.data(), static_cast<int>(wide.size()));
    }
    if (sink) {
      // The debuggee waits until the sink returns, so its line is handled
      // before anything the debuggee does next.
      try {
        sink(text);
      } catch (...) {
      }
      return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    output.push_back(std::move(text));
    changed.notify_all();
  }

  void Finish(std::optional<uint32_t> code) {
    std::lock_guard<std::mutex> lock(mutex);
    started = true;
    finished = true;
    exitCode = code;
    changed.notify_all();
  }
};

DebugMonitor::DebugMonitor(std::unique_ptr<Loop> loop) : loop_(std::move(loop)) {}

Result<std::unique_ptr<DebugMonitor>> DebugMonitor::Start(std::u16string_view exePath,
                                                          std::u16string commandLine,
                                                          OutputSink sink) {
  auto loop = std::make_unique<Loop>();
  Loop* state = loop.get();
  state->sink = std::move(sink);
  try {
    state->thread = std::thread(&Loop::Run, state, std::u16string(exePath), std::move(commandLine));
  } catch (const std::system_error&) {
    return ClientError{ErrorKind::StartFailed, "no debugger thread could be made"};
  }
  std::unique_lock<std::mutex> lock(state->mutex);
  state->changed.wait(lock, [state] { return state->started; });
  if (!state->process) {
    const DWORD code = state->startError;
    lock.unlock();
    state->thread.join();
    if (code == 0) return ClientError{ErrorKind::StartFailed, "the debugger loop failed"};
    return ClientError{ErrorKind::StartFailed,
                       "CreateProcessW failed with error " + std::to_string(code), code};
  }
  lock.unlock();
  return std::unique_ptr<DebugMonitor>(new DebugMonitor(std::move(loop)));
}

DebugMonitor::~DebugMonitor() {
  Loop* state = loop_.get();
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->changed.wait_for(lock, std::chrono::milliseconds(kGraceMs),
                                 [state] { return state->finished; })) {
      TerminateProcess(state->process.get(), 1);
    }
  }
  state->thread.join();
}

HANDLE DebugMonitor::process() const {
  return loop_->process.get();
}

uint32_t DebugMonitor::processId() const {
  return loop_->processId;
}

std::vector<std::string> DebugMonitor::TakeOutput() {
  std::lock_guard<std::mutex> lock(loop_->mutex);
  std::vector<std::string> taken;
  taken.swap(loop_->output);
  return taken;
}

std::optional<uint32_t> DebugMonitor::WaitForExit(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(loop_->mutex);
  Loop* state = loop_.get();
  state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [state] { return state->finished; });
  return state->finished ? state->exitCode : std::nullopt;
}

}  // namespace corvane::client
