/*
 * A host as plug-in hosts are: route_host ROUTE loads
 * <its own folder>\plugins\ROUTE\plugin.dll with plain LoadLibraryW (no
 * altered search path, no SetDllDirectory) and calls its route_check().
 * Prints "loaded: <answer>" (exit code 0 when the answer is "ok", else 1)
 * or "load failed: error <code>" (exit code 2).
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

typedef const char* (*route_check_fn)(void);

int main(int argc, char** argv) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = 0;
  size_t folder = 0;
  size_t i = 0;
  HMODULE plugin = NULL;
  route_check_fn check = NULL;
  const char* answer = NULL;
  if (argc != 2) return fprintf(stderr, "usage: route_host ROUTE\n"), 3;
  length = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return fprintf(stderr, "no program path\n"), 3;
  for (i = 0; i < length; ++i) {
    if (path[i] == L'\\') folder = i + 1;
  }
  swprintf(path + folder, MAX_PATH, L"plugins\\%hs\\plugin.dll", argv[1]);
  plugin = LoadLibraryW(path);
  if (plugin == NULL) {
    printf("load failed: error %lu\n", GetLastError());
    return 2;
  }
  check = (route_check_fn)(void (*)(void))GetProcAddress(plugin, "route_check");
  if (check == NULL) return printf("load failed: no route_check\n"), 2;
  answer = check();
  printf("loaded: %s\n", answer);
  return strcmp(answer, "ok") == 0 ? 0 : 1;
}
