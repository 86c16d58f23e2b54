// A message-only window that records the WM_APP messages dispatched to it,
// to see whether a wait kept the thread's messages flowing. Windows only.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/ipc/pipes.h"

namespace corvane::test {

class MessageWindow {
 public:
  MessageWindow() {
    static const ATOM atom = Register();
    hwnd_ = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~MessageWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The wParam of every WM_APP the window procedure has seen, in order.
  const std::vector<WPARAM>& seen() const { return seen_; }
  // Set once the window procedure has seen a WM_APP; other threads wait on it.
  HANDLE seenEvent() const { return seenEvent_.get(); }

 private:
  static ATOM Register() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &MessageWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneIpcTestMessageWindow";
    return RegisterClassW(&wc);
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_APP && self != nullptr) {
      self->seen_.push_back(wParam);
      SetEvent(self->seenEvent_.get());
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
  std::vector<WPARAM> seen_;
  Handle seenEvent_ = NewEvent();
};

}  // namespace corvane::test
