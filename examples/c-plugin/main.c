/* A minimal Corvane plug-in in C: starts a broker, pings it, writes a
 * setting, reads it back and deletes it again. Exit code 0 when every step
 * got the answer it expected. */
#include <corvane/corvane.h>
#include <stdio.h>
#include <wchar.h>

/* Texts carry their length; these are literals, so sizeof gives it. Not
 * named TEXT: <windows.h> has a TEXT macro of its own. */
#define LITERAL(literal) literal, (sizeof(literal) / sizeof(wchar_t) - 1)

#define KEY L"Software\\Corvane\\Examples\\c"

/* Prints one answer; a client error also gets the session's explanation. */
static int report(const char* what, const corvane_session* session, corvane_result result) {
  printf("%s: %s\n", what, corvane_result_name(result));
  if (result < 0) printf("  %s\n", corvane_last_error(session));
  return result == CORVANE_OK;
}

int main(void) {
  printf("corvane SDK %s\n", corvane_version());

  /* No path: corvane-broker.exe in the folder of corvane_client.dll. */
  corvane_session* session = NULL;
  if (!report("start", NULL, corvane_start(NULL, 0, 0, &session))) return 1;

  int ok = report("ping", session, corvane_ping(session));
  ok = ok && report("write-string", session,
                    corvane_write_string(session, CORVANE_HKCU, LITERAL(KEY), LITERAL(L"Greeting"),
                                         LITERAL(L"hello from C")));

  corvane_buffer* value = NULL;
  if (ok) {
    corvane_result result =
        corvane_read_string(session, CORVANE_HKCU, LITERAL(KEY), LITERAL(L"Greeting"), &value);
    ok = report("read-string", session, result);
  }
  if (ok) {
    wchar_t text[64];
    size_t length = 0;
    corvane_result result = corvane_buffer_copy_text(value, text, 64, &length);
    if (result == CORVANE_OK) {
      printf("  Greeting = \"%ls\"\n", text);
    } else {
      ok = report("copy-text", session, result);
    }
  }
  corvane_buffer_free(value);

  /* Clean up even after a failure above. */
  if (!report("delete-tree", session, corvane_delete_key_tree(session, CORVANE_HKCU, LITERAL(KEY))))
    ok = 0;

  corvane_close(session); /* ends the broker this session started */
  return ok ? 0 : 1;
}
