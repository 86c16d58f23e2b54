/*
 * corvane_client.dll as a C plug-in uses it, against the real broker: one
 * case per group of calls, then what a C caller can get wrong. Every misuse
 * must come back as a clear result code, never as a crash.
 */
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

#include "corvane/corvane.h"

static int failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

/* A result other than `expected` is reported with its name and the
 * session's last error. */
#define CHECK_RESULT(session, call, expected)                                                      \
  do {                                                                                             \
    const corvane_result got_ = (call);                                                            \
    if (got_ != (expected)) {                                                                      \
      fprintf(stderr, "%s:%d: %s gave %s (%d), expected %s; last error: %s\n", __FILE__, __LINE__, \
              #call, corvane_result_name(got_), (int)got_, corvane_result_name(expected),          \
              corvane_last_error(session));                                                        \
      ++failures;                                                                                  \
    }                                                                                              \
  } while (0)

#define L_(text) text, wcslen(text)

/* `prefix` followed by the decimal digits of `number`. */
static void with_number(wchar_t* out, size_t capacity, const wchar_t* prefix,
                        unsigned long number) {
  wchar_t digits[16];
  size_t count = 0;
  do {
    digits[count++] = (wchar_t)(L'0' + number % 10);
    number /= 10;
  } while (number != 0);
  size_t length = wcslen(prefix);
  if (length + count >= capacity) {
    out[0] = L'\0';
    return;
  }
  wmemcpy(out, prefix, length);
  while (count != 0) out[length++] = digits[--count];
  out[length] = L'\0';
}

/* The folder of this program, with a trailing backslash. */
static void program_folder(wchar_t* out, DWORD capacity) {
  DWORD length = GetModuleFileNameW(NULL, out, capacity);
  while (length != 0 && out[length - 1] != L'\\') --length;
  out[length] = L'\0';
}

static int text_is(const corvane_buffer* buffer, const wchar_t* expected, size_t expected_length) {
  size_t length = 0;
  const wchar_t* text = corvane_buffer_text(buffer, &length);
  return text != NULL && length == expected_length && wmemcmp(text, expected, expected_length) == 0;
}

/* Request 6 for a ping: tags 2, 2, 25, 25, 25; operation 11, hive 0 and
 * three empty texts. */
static void ping_frame(uint8_t bytes[128]) {
  const uint64_t text16 = 0xFFFFFFFF80000019ull;
  const uint64_t words[16] = {0x4D4F524B, 6,          5,  16, 2, 2, text16, text16,
                              text16,     0x4B524F4D, 11, 0,  0, 0, 0,      0x474E4142};
  memcpy(bytes, words, sizeof words);
}

/* Reply 7 with status 0 and "pong", as the broker sends it. */
static const uint64_t kPongWords[11] = {
    0x4D4F524B, 7, 2, 11, 2, 0xFFFFFFFF80000019ull, 0x4B524F4D, 0, 4, 0x0067006E006F0070ull,
    0x474E4142};

static void library_calls(void) {
  /* The headers' version macros are the DLL's version. */
  char version[32];
  snprintf(version, sizeof version, "%d.%d.%d", CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR,
           CORVANE_VERSION_PATCH);
  CHECK(strcmp(version, CORVANE_VERSION_STRING) == 0);
  CHECK(strcmp(corvane_version(), CORVANE_VERSION_STRING) == 0);
  CHECK(strcmp(corvane_result_name(CORVANE_DENIED), "Denied") == 0);
  CHECK(strcmp(corvane_result_name(CORVANE_E_CLOSED), "Closed") == 0);
  CHECK(strcmp(corvane_result_name(99), "Unknown") == 0);
  CHECK(strcmp(corvane_operation_name(CORVANE_OP_PING), "ping") == 0);
  CHECK(strcmp(corvane_operation_name(CORVANE_OP_FILE_EXPORT), "file-export") == 0);
  CHECK(corvane_operation_name(19) == NULL);
}

/* corvane_folder answers the broker's folders, as the system names them. */
static void folders(void) {
  static const struct {
    int32_t kind;
    int csidl; /* 0: no folder */
    const wchar_t* suffix;
    corvane_result result;
  } rows[] = {
      {CORVANE_FOLDER_APPDATA, CSIDL_APPDATA, L"", CORVANE_OK},
      {CORVANE_FOLDER_TEMP, CSIDL_LOCAL_APPDATA, L"\\Temp", CORVANE_OK},
      {2, 0, L"", CORVANE_E_INVALID_ARGUMENT},
      {-1, 0, L"", CORVANE_E_INVALID_ARGUMENT},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    corvane_buffer* folder = NULL;
    CHECK_RESULT(NULL, corvane_folder(rows[i].kind, &folder), rows[i].result);
    if (rows[i].csidl == 0) {
      CHECK(folder == NULL);
      continue;
    }
    wchar_t expected[MAX_PATH + 8];
    CHECK(SHGetFolderPathW(NULL, rows[i].csidl, NULL, 0, expected) == S_OK);
    wcscat(expected, rows[i].suffix);
    CHECK(text_is(folder, L_(expected)));
    corvane_buffer_free(folder);
  }
  CHECK_RESULT(NULL, corvane_folder(CORVANE_FOLDER_TEMP, NULL), CORVANE_E_INVALID_ARGUMENT);
}

static void registry_calls(corvane_session* s) {
  wchar_t key[80];
  wchar_t sub[96];
  with_number(key, 80, L"Software\\Corvane\\SdkTest", GetCurrentProcessId());
  corvane_delete_key_tree(s, CORVANE_HKCU, L_(key));

  int exists = -1;
  CHECK_RESULT(s, corvane_key_exists(s, CORVANE_HKCU, L_(key), &exists), CORVANE_OK);
  CHECK(exists == 0);

  wcscpy(sub, key);
  wcscat(sub, L"\\A");
  CHECK_RESULT(s, corvane_write_string(s, CORVANE_HKCU, L_(sub), L_(L"s"), L_(L"text")),
               CORVANE_OK);
  corvane_buffer* value = NULL;
  CHECK_RESULT(s, corvane_read_string(s, CORVANE_HKCU, L_(sub), L_(L"s"), &value), CORVANE_OK);
  CHECK(text_is(value, L_(L"text")));
  corvane_buffer_free(value);

  /* A string with U+0000 goes whole, but reads back cut there, as Windows
   * registry strings do (the header says so). */
  CHECK_RESULT(s, corvane_write_string(s, CORVANE_HKCU, L_(sub), L_(L"nul"), L"ab\0cd", 5),
               CORVANE_OK);
  CHECK_RESULT(s, corvane_read_string(s, CORVANE_HKCU, L_(sub), L_(L"nul"), &value), CORVANE_OK);
  CHECK(text_is(value, L_(L"ab")));
  corvane_buffer_free(value);

  /* A missing value: NotFound, and the out-parameter stays as it was. */
  uint32_t dword = 7;
  CHECK_RESULT(s, corvane_read_dword(s, CORVANE_HKCU, L_(sub), L_(L"none"), &dword),
               CORVANE_NOT_FOUND);
  CHECK(dword == 7);

  wcscpy(sub, key);
  wcscat(sub, L"\\B");
  CHECK_RESULT(s, corvane_write_dword(s, CORVANE_HKCU, L_(sub), L_(L"d"), 0xFFFFFFFFu), CORVANE_OK);
  CHECK_RESULT(s, corvane_read_dword(s, CORVANE_HKCU, L_(sub), L_(L"d"), &dword), CORVANE_OK);
  CHECK(dword == 0xFFFFFFFFu);
  uint64_t qword = 0;
  CHECK_RESULT(s, corvane_write_qword(s, CORVANE_HKCU, L_(sub), L_(L"q"), ~0ull), CORVANE_OK);
  CHECK_RESULT(s, corvane_read_qword(s, CORVANE_HKCU, L_(sub), L_(L"q"), &qword), CORVANE_OK);
  CHECK(qword == ~0ull);
  /* A number of the other width is nothing to read, either way round. */
  dword = 7;
  CHECK_RESULT(s, corvane_read_dword(s, CORVANE_HKCU, L_(sub), L_(L"q"), &dword),
               CORVANE_NOT_FOUND);
  CHECK(dword == 7);
  CHECK_RESULT(s, corvane_read_qword(s, CORVANE_HKCU, L_(sub), L_(L"d"), &qword),
               CORVANE_NOT_FOUND);

  CHECK_RESULT(s, corvane_key_exists(s, CORVANE_HKCU, L_(key), &exists), CORVANE_OK);
  CHECK(exists == 1);
  corvane_buffer* names = NULL;
  CHECK_RESULT(s, corvane_list_subkeys(s, CORVANE_HKCU, L_(key), &names), CORVANE_OK);
  CHECK(text_is(names, L"A\0B\0", 4));
  corvane_buffer_free(names);

  /* The access policy refuses writes to HKLM. */
  CHECK_RESULT(s,
               corvane_write_string(s, CORVANE_HKLM, L_(L"Software\\Corvane"), L_(L"s"), L_(L"x")),
               CORVANE_DENIED);
  CHECK_RESULT(s, corvane_delete_key_tree(s, CORVANE_HKCU, L_(key)), CORVANE_OK);
}

static void file_calls(corvane_session* s) {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH + 40];
  CHECK(SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, 0, folder) == S_OK);
  wcscat(folder, L"\\Corvane");
  CreateDirectoryW(folder, NULL);
  wcscat(folder, L"\\sdk-test-");
  with_number(path, MAX_PATH + 40, folder, GetCurrentProcessId());

  const uint8_t contents[] = {0x00, 0x01, 0x7f, 0x80, 0xff};
  CHECK_RESULT(s, corvane_file_write(s, L_(path), contents, sizeof contents), CORVANE_OK);
  int exists = -1;
  CHECK_RESULT(s, corvane_file_exists(s, L_(path), &exists), CORVANE_OK);
  CHECK(exists == 1);
  corvane_buffer* read = NULL;
  CHECK_RESULT(s, corvane_file_read(s, L_(path), &read), CORVANE_OK);
  size_t size = 0;
  const uint8_t* bytes = corvane_buffer_bytes(read, &size);
  CHECK(size == sizeof contents && memcmp(bytes, contents, size) == 0);
  CHECK(corvane_buffer_text(read, &size) == NULL && size == 0); /* bytes are not a text */
  corvane_buffer_free(read);
  CHECK_RESULT(s, corvane_file_delete(s, L_(path)), CORVANE_OK);
  CHECK_RESULT(s, corvane_file_exists(s, L_(path), &exists), CORVANE_OK);
  CHECK(exists == 0);
}

static void channel_and_frames(corvane_session* s) {
  uint64_t handle = 0;
  uint32_t system_error = 99;
  CHECK_RESULT(s, corvane_get_plugin_channel(s, 0, &handle, &system_error), CORVANE_OK);
  CHECK(handle != 0 && system_error == 0);
  if (handle != 0) CloseHandle((HANDLE)(uintptr_t)handle);

  CHECK_RESULT(s, corvane_keep_alive(s), CORVANE_OK);
  /* Two pings in one write; each reply comes back as its own frame, byte
   * for byte as the broker wrote it. */
  uint8_t two[256];
  ping_frame(two);
  ping_frame(two + 128);
  CHECK_RESULT(s, corvane_send_frame(s, two, sizeof two), CORVANE_OK);
  for (int i = 0; i < 2; ++i) {
    corvane_buffer* frame = NULL;
    CHECK_RESULT(s, corvane_read_frame(s, &frame), CORVANE_OK);
    size_t size = 0;
    const uint8_t* bytes = corvane_buffer_bytes(frame, &size);
    CHECK(size == sizeof kPongWords && memcmp(bytes, kPongWords, size) == 0);
    corvane_buffer_free(frame);
  }
  CHECK_RESULT(s, corvane_ping(s), CORVANE_OK);

  /* A code without a row passes the key check as a reader, then is Invalid. */
  corvane_buffer* text = NULL;
  CHECK_RESULT(
      s, corvane_request(s, 19, CORVANE_HKCU, L_(L"Software\\Corvane"), NULL, 0, NULL, 0, &text),
      CORVANE_INVALID);
  CHECK(text != NULL);
  corvane_buffer_free(text);
}

static void misuse(corvane_session* s) {
  corvane_session* none = NULL;
  CHECK_RESULT(none, corvane_ping(NULL), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(none, corvane_set_timeout(NULL, 10), CORVANE_E_INVALID_ARGUMENT);
  corvane_close(NULL);
  corvane_buffer_free(NULL);
  CHECK_RESULT(none, corvane_start(L_(L"C:\\no\\such\\corvane-broker.exe"), 0, &none),
               CORVANE_E_START_FAILED);
  CHECK(none == NULL);
  CHECK(strstr(corvane_last_error(NULL), "cannot start") != NULL); /* why the start failed */

  /* corvane_last_error(NULL) tells why this thread's latest start or attach
   * failed, a refused argument included, and not an earlier failure's text. */
  wchar_t missing_pipe[64];
  with_number(missing_pipe, 64, L"corvane.sdk-test.none.", GetCurrentProcessId());
  /* Each failure replaces the text before it. */
  CHECK_RESULT(none, corvane_start(NULL, 0, 0, NULL), CORVANE_E_INVALID_ARGUMENT);
  CHECK(strstr(corvane_last_error(NULL), "session") != NULL);
  CHECK_RESULT(none, corvane_attach(NULL, 5, &none), CORVANE_E_INVALID_ARGUMENT);
  CHECK(strstr(corvane_last_error(NULL), "ipc_name") != NULL);
  CHECK_RESULT(none, corvane_attach(L"", 0, &none), CORVANE_E_INVALID_ARGUMENT);
  CHECK(strstr(corvane_last_error(NULL), "empty") != NULL);
  /* No broker behind the name: one try, at once. */
  CHECK_RESULT(none, corvane_attach_with_timeout(L_(missing_pipe), 0, &none), CORVANE_E_TIMED_OUT);
  CHECK(strstr(corvane_last_error(NULL), "pipe") != NULL);
  CHECK_RESULT(none, corvane_start_with_timeout(NULL, 0, 0, 1000, NULL),
               CORVANE_E_INVALID_ARGUMENT);
  CHECK(strstr(corvane_last_error(NULL), "session") != NULL);
  CHECK(none == NULL);
  /* A start that works clears it. */
  corvane_session* started = NULL;
  CHECK_RESULT(started, corvane_start_with_timeout(NULL, 0, 0, 30000, &started), CORVANE_OK);
  CHECK(strcmp(corvane_last_error(NULL), "") == 0);
  /* A time-out of 0 would close the session at its first request: refused. */
  CHECK_RESULT(started, corvane_set_timeout(started, 0), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(started, corvane_ping(started), CORVANE_OK);
  corvane_close(started);

  const wchar_t* key = L"Software\\Corvane\\SdkTest";
  CHECK_RESULT(s, corvane_read_string(s, CORVANE_HKCU, L_(key), L_(L"s"), NULL),
               CORVANE_E_INVALID_ARGUMENT);
  CHECK(strlen(corvane_last_error(s)) != 0);
  CHECK_RESULT(s, corvane_key_exists(s, CORVANE_HKCU, L_(key), NULL), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_read_frame(s, NULL), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_write_string(s, CORVANE_HKCU, NULL, 5, L_(L"s"), L_(L"x")),
               CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_file_write(s, L_(L"x"), NULL, 3), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_send_frame(s, NULL, 8), CORVANE_E_INVALID_ARGUMENT);
  /* A length no frame can carry is refused before the text is read. */
  CHECK_RESULT(s, corvane_write_string(s, CORVANE_HKCU, L_(key), L_(L"s"), L"x", (size_t)-1),
               CORVANE_E_INVALID_ARGUMENT);
  uint32_t dword = 0;
  CHECK_RESULT(s, corvane_read_dword(s, 2, L_(key), L_(L"d"), &dword), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_delete_key(s, -1, L_(key)), CORVANE_E_INVALID_ARGUMENT);
  CHECK(strlen(corvane_last_error(s)) != 0);
  /* None of it reached the broker, which still answers. */
  CHECK_RESULT(s, corvane_ping(s), CORVANE_OK);
  CHECK(strcmp(corvane_last_error(s), "") == 0);

  corvane_buffer* pong = NULL;
  CHECK_RESULT(s, corvane_request(s, CORVANE_OP_PING, 0, NULL, 0, NULL, 0, NULL, 0, &pong),
               CORVANE_OK);
  wchar_t small[4];
  size_t length = 0;
  CHECK_RESULT(s, corvane_buffer_copy_text(pong, small, 4, &length), CORVANE_E_BUFFER_TOO_SMALL);
  CHECK(length == 4);
  length = 0;
  CHECK_RESULT(s, corvane_buffer_copy_text(pong, NULL, 0, &length), CORVANE_E_BUFFER_TOO_SMALL);
  CHECK(length == 4);
  CHECK_RESULT(s, corvane_buffer_copy_text(pong, NULL, 5, &length), CORVANE_E_INVALID_ARGUMENT);
  CHECK_RESULT(s, corvane_buffer_copy_text(NULL, small, 4, &length), CORVANE_E_INVALID_ARGUMENT);
  wchar_t enough[5];
  CHECK_RESULT(s, corvane_buffer_copy_text(pong, enough, 5, &length), CORVANE_OK);
  CHECK(wcscmp(enough, L"pong") == 0);
  corvane_buffer_free(pong);
}

/* Reply 4 arrives where the ping expects its reply 7: Malformed, and the
 * session, now out of step, is closed rather than read the ping's reply as
 * the next answer. */
static void wrong_reply_closes_the_session(void) {
  const uint64_t words[8] = {0x4D4F524B, 3, 1, 8, 4, 0x4B524F4D, 0x7FFFFFF0, 0x474E4142};
  uint8_t frame[64];
  memcpy(frame, words, sizeof frame);
  corvane_session* s = NULL;
  CHECK_RESULT(s, corvane_start(NULL, 0, 0, &s), CORVANE_OK);
  if (s == NULL) return;
  CHECK_RESULT(s, corvane_send_frame(s, frame, sizeof frame), CORVANE_OK);
  CHECK_RESULT(s, corvane_ping(s), CORVANE_E_MALFORMED);
  CHECK_RESULT(s, corvane_ping(s), CORVANE_E_CLOSED);
  corvane_close(s);
}

/* A broker started by hand, attached to, then killed: the request during
 * which it goes is BrokerGone, every later one Closed. */
static void attach_and_lose_the_broker(void) {
  wchar_t exe[MAX_PATH];
  wchar_t name[64];
  wchar_t line[MAX_PATH + 200];
  program_folder(exe, MAX_PATH);
  wcscat(exe, L"corvane-broker.exe");
  with_number(name, 64, L"corvane.sdk-test.", GetCurrentProcessId());
  wcscpy(line, L"\"");
  wcscat(line, exe);
  wcscat(line, L"\" --ipc=");
  wcscat(line, name);
  with_number(line + wcslen(line), 40, L" --proc=", GetCurrentProcessId());

  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessW(exe, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    CHECK(!"the broker starts");
    return;
  }
  CloseHandle(process.hThread);

  corvane_session* s = NULL;
  CHECK_RESULT(s, corvane_attach(L_(name), &s), CORVANE_OK);
  if (s != NULL) {
    CHECK_RESULT(s, corvane_ping(s), CORVANE_OK);
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    CHECK_RESULT(s, corvane_ping(s), CORVANE_E_BROKER_GONE);
    CHECK(strlen(corvane_last_error(s)) != 0);
    CHECK_RESULT(s, corvane_ping(s), CORVANE_E_CLOSED);
    int exists = 0;
    CHECK_RESULT(s, corvane_key_exists(s, CORVANE_HKCU, L_(L"Software\\Corvane"), &exists),
                 CORVANE_E_CLOSED);
    corvane_close(s);
  }
  TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hProcess);
}

/* A copy of the DLL in a folder without a broker looks for the broker beside
 * itself, not beside this program (whose folder has one). */
static void default_broker_is_beside_the_dll(void) {
  wchar_t folder[MAX_PATH];
  wchar_t source[MAX_PATH];
  wchar_t copy[MAX_PATH + 40];
  DWORD length = GetTempPathW(MAX_PATH, folder);
  CHECK(length != 0);
  with_number(folder + length, MAX_PATH - length, L"corvane-sdk-test-", GetCurrentProcessId());
  CreateDirectoryW(folder, NULL);
  program_folder(source, MAX_PATH);
  wcscat(source, L"corvane_client.dll");
  wcscpy(copy, folder);
  wcscat(copy, L"\\corvane_client_copy.dll");
  CHECK(CopyFileW(source, copy, FALSE));

  HMODULE module = LoadLibraryW(copy);
  CHECK(module != NULL);
  if (module != NULL) {
    FARPROC address = GetProcAddress(module, "corvane_start");
    corvane_start_fn start;
    memcpy(&start, &address, sizeof start);
    address = GetProcAddress(module, "corvane_close");
    corvane_close_fn close;
    memcpy(&close, &address, sizeof close);
    corvane_session* s = NULL;
    CHECK(start != NULL && close != NULL);
    if (start != NULL && close != NULL) {
      CHECK(start(NULL, 0, 0, &s) == CORVANE_E_START_FAILED);
      close(s);
    }
    FreeLibrary(module);
  }
  DeleteFileW(copy);
  RemoveDirectoryW(folder);
}

/* What a session's diagnostics callback received. */
struct diagnostics_seen {
  int count;
  char last[160];
  DWORD thread;
};

static void CORVANE_CALL on_diagnostic(void* context, const char* line, size_t length) {
  struct diagnostics_seen* seen = (struct diagnostics_seen*)context;
  ++seen->count;
  seen->thread = GetCurrentThreadId();
  snprintf(seen->last, sizeof seen->last, "%.*s", (int)length, line);
}

/* The broker's refusal line reaches the callback of the session that made
 * the request, before that request returns, on another thread; a request
 * that is not refused, or one made on a session without diagnostics, brings
 * none. */
static void diagnostics(corvane_session* plain) {
  static const struct {
    int on_plain_session;
    uint32_t operation;
    int32_t hive;
    const wchar_t* key;
    corvane_result expected;
    const char* line; /* NULL: none */
  } cases[] = {
      {0, CORVANE_OP_WRITE_STRING, CORVANE_HKLM, L"Software\\Corvane", CORVANE_DENIED,
       "[CorvaneBroker] denied: write to read-only hive"},
      {0, CORVANE_OP_KEY_EXISTS, CORVANE_HKCU, L"Software\\Elsewhere", CORVANE_DENIED,
       "[CorvaneBroker] denied: outside Corvane subtree"},
      {0, CORVANE_OP_PING, CORVANE_HKCU, L"", CORVANE_OK, NULL},
      {1, CORVANE_OP_WRITE_STRING, CORVANE_HKLM, L"Software\\Corvane", CORVANE_DENIED, NULL},
  };
  struct diagnostics_seen seen;
  memset(&seen, 0, sizeof seen);
  corvane_session* s = NULL;
  CHECK_RESULT(s, corvane_start_with_diagnostics(NULL, 0, 0, 30000, on_diagnostic, &seen, &s),
               CORVANE_OK);
  if (s == NULL) return;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    corvane_session* target = cases[i].on_plain_session ? plain : s;
    const int before = failures;
    seen.count = 0;
    seen.last[0] = '\0';
    CHECK_RESULT(target,
                 corvane_request(target, cases[i].operation, cases[i].hive, L_(cases[i].key),
                                 L_(L"n"), L_(L"x"), NULL),
                 cases[i].expected);
    if (cases[i].line == NULL) {
      CHECK(seen.count == 0);
    } else {
      CHECK(seen.count == 1 && strcmp(seen.last, cases[i].line) == 0);
      CHECK(seen.thread != GetCurrentThreadId());
    }
    if (failures != before) fprintf(stderr, "  (case %u saw '%s')\n", (unsigned)i, seen.last);
  }
  corvane_close(s);

  /* Refused before anything starts, with the reason for corvane_last_error. */
  s = NULL;
  CHECK_RESULT(s, corvane_start_with_diagnostics(NULL, 0, 0, 30000, NULL, &seen, &s),
               CORVANE_E_INVALID_ARGUMENT);
  CHECK(strstr(corvane_last_error(NULL), "on_line") != NULL);
  CHECK_RESULT(s,
               corvane_start_with_diagnostics(L_(L"C:\\no\\such\\corvane-broker.exe"), 0, 30000,
                                              on_diagnostic, &seen, &s),
               CORVANE_E_START_FAILED);
  CHECK(strstr(corvane_last_error(NULL), "debug") != NULL);
  CHECK(s == NULL);
}

int main(void) {
  library_calls();
  folders();

  corvane_session* s = NULL;
  CHECK_RESULT(s, corvane_start(NULL, 0, 0, &s), CORVANE_OK);
  if (s == NULL) return 1;
  CHECK_RESULT(s, corvane_ping(s), CORVANE_OK);
  registry_calls(s);
  file_calls(s);
  channel_and_frames(s);
  misuse(s);
  diagnostics(s);
  corvane_close(s);

  wrong_reply_closes_the_session();
  attach_and_lose_the_broker();
  default_broker_is_beside_the_dll();

  if (failures != 0)
    fprintf(stderr, "%d checks failed\n", failures);
  else
    printf("all checks passed\n");
  return failures == 0 ? 0 : 1;
}
