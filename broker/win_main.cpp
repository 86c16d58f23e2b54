// The process entry of corvane-broker.exe: a GUI-subsystem program without a
// window, so that starting it flashes no console.
#include <windows.h>

#include <string_view>

#include "broker/broker_main.h"
#include "win/wide_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return corvane::BrokerMain(std::u16string_view(corvane::win::Utf16(GetCommandLineW())));
  } catch (...) {
    return 1;
  }
}
