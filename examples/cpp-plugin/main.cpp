// A minimal Corvane plug-in in C++: starts a broker, pings it, writes a
// setting, reads it back and deletes it again. Exit code 0 when every step
// got the answer it expected.
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
  if (!result.ok()) std::printf("  %s\n", result.message().c_str());
  return result.ok();
}

}  // namespace

int main() {
  std::printf("corvane SDK %s\n", corvane_version());

  // No path: corvane-broker.exe in the folder of corvane_client.dll.
  corvane::Result<corvane::Session> started = corvane::Session::Start();
  if (!Report("start", started)) return 1;
  corvane::Session session = std::move(started).value();

  bool ok = Report("ping", session.Ping());
  ok = ok && Report("write-string", session.WriteString(corvane::Hive::CurrentUser, kKey,
                                                        L"Greeting", L"hello from C++"));
  if (ok) {
    corvane::Result<std::wstring> greeting =
        session.ReadString(corvane::Hive::CurrentUser, kKey, L"Greeting");
    ok = Report("read-string", greeting);
    if (ok) std::printf("  Greeting = \"%ls\"\n", greeting.value().c_str());
  }

  // Clean up even after a failure above.
  if (!Report("delete-tree", session.DeleteKeyTree(corvane::Hive::CurrentUser, kKey))) ok = false;
  return ok ? 0 : 1;  // the session closes here, which ends the broker
}
