/*
 * A plug-in as a vendor ships it, built once per way of reaching the client:
 *   CORVANE_CLIENT_STATIC  the static library linked in (GNU toolchains);
 *   ROUTE_LOADER           corvane/loader.h loads corvane_client.dll from the
 *                          plug-in's own folder (any compiler; also built for
 *                          the MSVC ABI with no C runtime);
 *   neither                the import library: the host must find the DLL.
 * The host calls route_check(), which starts a broker beside the client,
 * pings it and answers "ok" or what failed. No C runtime is used, so the
 * same file builds freestanding for the MSVC ABI.
 */
#ifdef ROUTE_LOADER
#define CORVANE_LOADER_IMPLEMENTATION
#include "corvane/loader.h"
#else
#include "corvane/corvane.h"
#endif
#ifdef ROUTE_WITH_WINDOWS_H
/* After the loader: its own kernel32 declarations must agree with these. */
#include <windows.h>
#endif

static char answer[1024];
static size_t answer_length;

static const char* say(const char* step, const char* why) {
  const char* parts[3] = {step, ": ", why};
  size_t i = 0;
  answer_length = 0;
  for (i = 0; i < 3; ++i) {
    const char* p = parts[i];
    while (*p != '\0' && answer_length + 1 < sizeof answer) answer[answer_length++] = *p++;
  }
  answer[answer_length] = '\0';
  return answer;
}

__declspec(dllexport) const char* route_check(void) {
  corvane_session* session = NULL;
  corvane_result result = 0;
#ifdef ROUTE_LOADER
  if (!corvane_loader_load(NULL)) return say("load", corvane_loader_error());
#endif
  /* No path: the broker beside the module that holds the client. */
  result = corvane_start(NULL, 0, 0, &session);
  if (result != CORVANE_OK) return say("start", corvane_last_error(NULL));
  result = corvane_ping(session);
  if (result != CORVANE_OK) {
    say("ping", corvane_result_name(result));
    corvane_close(session);
    return answer;
  }
  corvane_close(session);
  return "ok";
}
