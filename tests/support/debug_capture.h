// Records what this process writes with OutputDebugStringA, by watching the
// debug-print exception with a vectored handler. Windows only.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace corvane::test {

class DebugCapture {
 public:
  DebugCapture() {
    Instance() = this;
    handle_ = AddVectoredExceptionHandler(1, &DebugCapture::Handler);
  }
  ~DebugCapture() {
    RemoveVectoredExceptionHandler(handle_);
    Instance() = nullptr;
  }
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 private:
  static constexpr DWORD kDebugPrint = 0x40010006;  // DBG_PRINTEXCEPTION_C

  static DebugCapture*& Instance() {
    static DebugCapture* instance = nullptr;
    return instance;
  }
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    DebugCapture* self = Instance();
    if (self != nullptr && r->ExceptionCode == kDebugPrint && r->NumberParameters >= 2) {
      const auto length = static_cast<size_t>(r->ExceptionInformation[0]);
      const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
      std::string line(text, length > 0 ? length - 1 : 0);  // length counts the terminator
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->lines_.push_back(std::move(line));
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  PVOID handle_ = nullptr;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace corvane::test
