// A minimal Corvane plug-in in C++: starts a broker, pings it, writes a
// setting, reads it back and deletes it again, and shows why the broker
// refuses a write to HKLM. Exit code 0 when every step got the answer it
// expected.
#include <chrono>
#include <corvane/corvane.hpp>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr std::wstring_view kKey = L"Software\\Corvane\\Examples\\cpp";

template <typename T>
bool Report(const char* what, const corvane::Result<T>& result) {
  std::printf("%s: %s\n", what, corvane::StatusName(result.status()));
  if (!result) std::printf("  %s\n", result.message().c_str());
  return result.has_value();
}

}  // namespace

int main() {
  std::printf("corvane SDK %s\n", corvane_version());

  // No path: corvane-broker.exe in the folder of corvane_client.dll. With
  // onDiagnostic the broker runs under this process's debugger, and its
  // lines (why it refused) arrive on the debugger thread, before the refused
  // call returns.
  corvane::StartOptions options;
  options.connectTimeout = std::chrono::seconds(10);
  options.onDiagnostic = [](std::string_view line) {
    std::printf("  broker: %.*s\n", static_cast<int>(line.size()), line.data());
  };
  corvane::Result<corvane::Session> started = corvane::Session::Start(options);
  if (!started) {
    // A host or sandbox may forbid debugging: start without diagnostics.
    std::printf("start with diagnostics: %s\n", started.message().c_str());
    options.onDiagnostic = nullptr;
    started = corvane::Session::Start(options);
  }
  if (!Report("start", started)) return 1;
  corvane::Session session = std::move(started).value();

  bool ok = Report("ping", session.Ping());
  ok = ok && Report("write-string", session.WriteString(corvane::Hive::CurrentUser, kKey,
                                                        L"Greeting", L"hello from C++"));
  if (ok) {
    corvane::Result<std::wstring> greeting =
        session.ReadString(corvane::Hive::CurrentUser, kKey, L"Greeting");
    ok = Report("read-string", greeting);
    if (ok) std::printf("  Greeting = \"%ls\"\n", greeting->c_str());
  }
  // HKLM is read-only for plug-ins: Denied, and the line above says why.
  const corvane::Result<void> refused =
      session.WriteString(corvane::Hive::LocalMachine, kKey, L"Greeting", L"refused");
  std::printf("write-string HKLM: %s\n", corvane::StatusName(refused.status()));
  if (refused.status() != corvane::Status::Denied) ok = false;

  // Clean up even after a failure above.
  if (!Report("delete-tree", session.DeleteKeyTree(corvane::Hive::CurrentUser, kKey))) ok = false;
  return ok ? 0 : 1;  // the session closes here, which ends the broker
}
