/*
 * A plug-in built the way an MSVC-ABI toolchain builds one: compiled for
 * x86_64-pc-windows-msvc and linked by lld-link against corvane_client.lib,
 * with no C runtime (its own entry point; kernel32 from kernel32.def). It
 * starts the broker beside the DLL, pings it, writes a 64-bit value and
 * reads it back, is refused a key outside the Corvane subtree and gets a
 * plug-in channel. One "ok"/"FAIL" line per step; exit code 0 when all pass.
 */
#include <stddef.h>
#include <stdint.h>

#include "corvane/corvane.h"

typedef void* HANDLE;
__declspec(dllimport) HANDLE __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void* bytes, uint32_t size,
                                              uint32_t* written, void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) uint32_t __stdcall GetCurrentProcessId(void);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(uint32_t code);

static int failures = 0;

static void say(const char* text) {
  uint32_t length = 0;
  uint32_t written = 0;
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle((uint32_t)-11), text, length, &written, NULL);
}

static void step(const char* name, int passed, const corvane_session* session) {
  say(passed ? "ok   " : "FAIL ");
  say(name);
  if (!passed) {
    say(": ");
    say(corvane_last_error(session));
    ++failures;
  }
  say("\n");
}

/* L"Software\\Corvane\\MsvcClient<pid>"; the broker allows HKCU below it. */
static size_t key_name(wchar_t* out) {
  static const wchar_t prefix[] = L"Software\\Corvane\\MsvcClient";
  size_t n = 0;
  while (prefix[n] != 0) {
    out[n] = prefix[n];
    ++n;
  }
  wchar_t digits[10];
  size_t count = 0;
  uint32_t id = GetCurrentProcessId();
  do {
    digits[count++] = (wchar_t)(L'0' + id % 10);
    id /= 10;
  } while (id != 0);
  while (count != 0) out[n++] = digits[--count];
  return n;
}

void __stdcall start(void) {
  static const wchar_t kName[] = L"big";
  static const wchar_t kOutside[] = L"Software\\NotCorvane";
  const size_t name_length = sizeof kName / sizeof kName[0] - 1;
  const uint64_t kValue = 0xFEDCBA9876543210ull;
  wchar_t key[64];
  const size_t key_length = key_name(key);

  step("version", corvane_version()[0] == CORVANE_VERSION_STRING[0], NULL);
  corvane_session* s = NULL;
  step("start", corvane_start(NULL, 0, 0, &s) == CORVANE_OK, NULL);
  if (s == NULL) ExitProcess(1);
  step("ping", corvane_ping(s) == CORVANE_OK, s);

  step("write-qword",
       corvane_write_qword(s, CORVANE_HKCU, key, key_length, kName, name_length, kValue) ==
           CORVANE_OK,
       s);
  uint64_t read = 0;
  step("read-qword",
       corvane_read_qword(s, CORVANE_HKCU, key, key_length, kName, name_length, &read) ==
               CORVANE_OK &&
           read == kValue,
       s);
  step("refused",
       corvane_write_dword(s, CORVANE_HKCU, kOutside, sizeof kOutside / sizeof kOutside[0] - 1,
                           kName, name_length, 1) == CORVANE_DENIED,
       s);

  uint64_t handle = 0;
  uint32_t error = 99;
  step("channel", corvane_get_plugin_channel(s, 0, &handle, &error) == CORVANE_OK && error == 0, s);
  if (handle != 0) CloseHandle((HANDLE)(uintptr_t)handle);

  step("delete-tree", corvane_delete_key_tree(s, CORVANE_HKCU, key, key_length) == CORVANE_OK, s);
  corvane_close(s);
  ExitProcess(failures == 0 ? 0 : 1);
}
