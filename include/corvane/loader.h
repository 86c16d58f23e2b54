/*
 * corvane/loader.h: corvane_client.dll loaded by full path at run time, for
 * a plug-in that lives in a folder of its own inside a host it does not
 * control. Any compiler (MinGW, MSVC, clang-cl, clang for *-windows-msvc), C
 * or C++; no import library, no <windows.h> and no C runtime needed.
 *
 * Why: a plug-in linked against corvane_client.dll's import library makes
 * Windows look for the DLL when the host loads the plug-in, and it looks
 * beside the host's program, in the system folders and on PATH, not beside
 * the plug-in: a host's plain LoadLibraryW then fails with error 126.
 *
 * Use: include this header instead of corvane.h (before anything that
 * includes corvane.h, corvane.hpp included); in exactly one C or C++ file of
 * the plug-in, define CORVANE_LOADER_IMPLEMENTATION before including it.
 * Then, once, before any other call (when the host initialises the plug-in):
 *
 *   if (!corvane_loader_load(NULL)) report(corvane_loader_error());
 *
 * and call the C API by its usual names: corvane_start, corvane_ping, ...
 * Here each of them is a function pointer of the same name (corvane_ping is
 * a corvane_ping_fn) that corvane_loader_load fills; corvane.h declares no
 * functions (CORVANE_NO_PROTOTYPES), so nothing is imported.
 *
 * Threads: corvane_loader_load and corvane_loader_unload must not run while
 * another thread calls the API. Once loaded, the API's own rules hold.
 */
#ifndef CORVANE_LOADER_H
#define CORVANE_LOADER_H

#if defined(CORVANE_CORVANE_H) && !defined(CORVANE_NO_PROTOTYPES)
#error "include corvane/loader.h before corvane/corvane.h (or anything that includes it)"
#endif
#ifndef CORVANE_NO_PROTOTYPES
#define CORVANE_NO_PROTOTYPES
#endif
#include "corvane/corvane.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Loads corvane_client.dll from `dll_path`, a full path ("C:\...\x.dll" or
 * "\\server\..."), or, when it is null, from the folder of the module that
 * holds this code (the plug-in's DLL, not the host's program), and fills
 * every entry point. 1 when all are there; 0 otherwise, with nothing
 * filled and corvane_loader_error() saying why (the path tried and the
 * system's error code, or the missing entry point). A second call after one
 * that worked changes nothing and answers 1. The DLL then finds the broker
 * beside itself, as always. */
int corvane_loader_load(const wchar_t* dll_path);
/* Why the latest corvane_loader_load failed ("" after one that worked).
 * Never null. */
const char* corvane_loader_error(void);
/* Empties every entry point and unloads the DLL. Close every session first. */
void corvane_loader_unload(void);

#define CORVANE_LOADER_DECLARE(name) extern name##_fn name;
CORVANE_ENTRY_POINTS(CORVANE_LOADER_DECLARE)
#undef CORVANE_LOADER_DECLARE

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CORVANE_LOADER_H */

/* ---- The implementation: in one file only ------------------------------- */
#ifdef CORVANE_LOADER_IMPLEMENTATION
#ifndef CORVANE_LOADER_IMPLEMENTED
#define CORVANE_LOADER_IMPLEMENTED

#ifdef __cplusplus
extern "C" {
#endif

/* The kernel32 functions used, declared as <windows.h> declares them (so the
 * two agree when both are included), for builds without a Windows SDK. */
#ifndef _WINDOWS_
struct HINSTANCE__;
__declspec(dllimport) struct HINSTANCE__* __stdcall LoadLibraryExW(const wchar_t* file,
                                                                   void* reserved,
                                                                   unsigned long flags);
__declspec(dllimport) int __stdcall FreeLibrary(struct HINSTANCE__* module);
__declspec(dllimport) long long(__stdcall* __stdcall GetProcAddress(struct HINSTANCE__* module,
                                                                    const char* name))(void);
__declspec(dllimport) int __stdcall GetModuleHandleExW(unsigned long flags, const wchar_t* name,
                                                       struct HINSTANCE__** module);
__declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(struct HINSTANCE__* module,
                                                                 wchar_t* path, unsigned long size);
__declspec(dllimport) unsigned long __stdcall GetLastError(void);
#endif

/* Casts and the null pointer in the spelling of each language, so that the
 * implementation builds warning-free in C and in C++ with strict flags. */
#ifdef __cplusplus
#define CORVANE_LOADER_NULL nullptr
#define CORVANE_LOADER_CAST(type, value) reinterpret_cast<type>(value)
#define CORVANE_LOADER_NUMBER(type, value) static_cast<type>(value)
#else
#define CORVANE_LOADER_NULL 0
#define CORVANE_LOADER_CAST(type, value) ((type)(value))
#define CORVANE_LOADER_NUMBER(type, value) ((type)(value))
#endif

#define CORVANE_LOADER_DEFINE(name) name##_fn name = CORVANE_LOADER_NULL;
CORVANE_ENTRY_POINTS(CORVANE_LOADER_DEFINE)
#undef CORVANE_LOADER_DEFINE

/* The longest path Windows takes, with its NUL. */
#define CORVANE_LOADER_PATH_UNITS 32768u

static struct {
  struct HINSTANCE__* module;
  wchar_t path[CORVANE_LOADER_PATH_UNITS];
  char error[512];
  unsigned error_length;
} corvane_loader_state;

static void corvane_loader_say(const char* text) {
  while (*text != '\0' && corvane_loader_state.error_length + 1 < sizeof corvane_loader_state.error)
    corvane_loader_state.error[corvane_loader_state.error_length++] = *text++;
  corvane_loader_state.error[corvane_loader_state.error_length] = '\0';
}

static void corvane_loader_say_number(unsigned long number) {
  char digits[24];
  unsigned count = 0;
  do {
    digits[sizeof digits - 2 - count++] = CORVANE_LOADER_NUMBER(char, '0' + number % 10u);
    number /= 10u;
  } while (number != 0u);
  digits[sizeof digits - 1] = '\0';
  corvane_loader_say(digits + sizeof digits - 1 - count);
}

/* The path as UTF-8; unpaired surrogates become U+FFFD. */
static void corvane_loader_say_path(const wchar_t* path) {
  char out[5];
  while (*path != 0) {
    unsigned long c = CORVANE_LOADER_NUMBER(unsigned long, *path++);
    if (c >= 0xD800u && c < 0xDC00u && *path >= 0xDC00 && *path < 0xE000) {
      c = 0x10000u + ((c - 0xD800u) << 10) +
          (CORVANE_LOADER_NUMBER(unsigned long, *path++) - 0xDC00u);
    } else if (c >= 0xD800u && c < 0xE000u) {
      c = 0xFFFDu;
    }
    if (c < 0x80u) {
      out[0] = CORVANE_LOADER_NUMBER(char, c);
      out[1] = '\0';
    } else if (c < 0x800u) {
      out[0] = CORVANE_LOADER_NUMBER(char, 0xC0u | (c >> 6));
      out[1] = CORVANE_LOADER_NUMBER(char, 0x80u | (c & 0x3Fu));
      out[2] = '\0';
    } else if (c < 0x10000u) {
      out[0] = CORVANE_LOADER_NUMBER(char, 0xE0u | (c >> 12));
      out[1] = CORVANE_LOADER_NUMBER(char, 0x80u | ((c >> 6) & 0x3Fu));
      out[2] = CORVANE_LOADER_NUMBER(char, 0x80u | (c & 0x3Fu));
      out[3] = '\0';
    } else {
      out[0] = CORVANE_LOADER_NUMBER(char, 0xF0u | (c >> 18));
      out[1] = CORVANE_LOADER_NUMBER(char, 0x80u | ((c >> 12) & 0x3Fu));
      out[2] = CORVANE_LOADER_NUMBER(char, 0x80u | ((c >> 6) & 0x3Fu));
      out[3] = CORVANE_LOADER_NUMBER(char, 0x80u | (c & 0x3Fu));
      out[4] = '\0';
    }
    corvane_loader_say(out);
  }
}

static int corvane_loader_fail(const char* what) {
  corvane_loader_state.error_length = 0;
  corvane_loader_say("corvane_client.dll: ");
  corvane_loader_say(what);
  return 0;
}

/* "C:\..." or "\\...": anything else would be looked for along a search
 * path, which is what loading by full path avoids. */
static int corvane_loader_is_full_path(const wchar_t* path) {
  const int drive =
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
      path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  const int unc = (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
  return drive || unc;
}

/* corvane_client.dll in the folder of the module this code was linked into. */
static int corvane_loader_default_path(void) {
  static const wchar_t kName[] = L"corvane_client.dll";
  struct HINSTANCE__* self = CORVANE_LOADER_NULL;
  unsigned long length = 0;
  unsigned long folder = 0;
  unsigned i = 0;
  /* FROM_ADDRESS (4) | UNCHANGED_REFCOUNT (2): the module holding this
   * variable, with no reference taken. */
  if (!GetModuleHandleExW(6u, CORVANE_LOADER_CAST(const wchar_t*, &corvane_loader_state), &self)) {
    corvane_loader_fail("cannot tell which module holds the loader: system error ");
    corvane_loader_say_number(GetLastError());
    return 0;
  }
  length = GetModuleFileNameW(self, corvane_loader_state.path, CORVANE_LOADER_PATH_UNITS);
  if (length == 0 || length >= CORVANE_LOADER_PATH_UNITS) {
    corvane_loader_fail("cannot read the path of the module holding the loader: system error ");
    corvane_loader_say_number(GetLastError());
    return 0;
  }
  for (i = 0; i < length; ++i) {
    if (corvane_loader_state.path[i] == L'\\' || corvane_loader_state.path[i] == L'/')
      folder = i + 1;
  }
  if (folder + sizeof kName / sizeof kName[0] > CORVANE_LOADER_PATH_UNITS) {
    return corvane_loader_fail("the plug-in's folder is too long a path");
  }
  for (i = 0; i < sizeof kName / sizeof kName[0]; ++i)
    corvane_loader_state.path[folder + i] = kName[i];
  return 1;
}

static void corvane_loader_clear(void) {
#define CORVANE_LOADER_CLEAR(name) name = CORVANE_LOADER_NULL;
  CORVANE_ENTRY_POINTS(CORVANE_LOADER_CLEAR)
#undef CORVANE_LOADER_CLEAR
}

int corvane_loader_load(const wchar_t* dll_path) {
  unsigned i = 0;
  if (corvane_loader_state.module != CORVANE_LOADER_NULL) return 1;
  corvane_loader_state.error_length = 0;
  corvane_loader_state.error[0] = '\0';
  if (dll_path == CORVANE_LOADER_NULL) {
    if (!corvane_loader_default_path()) return 0;
  } else {
    if (!corvane_loader_is_full_path(dll_path)) {
      corvane_loader_fail("not a full path: ");
      corvane_loader_say_path(dll_path);
      return 0;
    }
    for (i = 0; dll_path[i] != 0; ++i) {
      if (i + 1 >= CORVANE_LOADER_PATH_UNITS) return corvane_loader_fail("the path is too long");
      corvane_loader_state.path[i] = dll_path[i];
    }
    corvane_loader_state.path[i] = 0;
  }
  /* LOAD_WITH_ALTERED_SEARCH_PATH (8): with a full path, the DLL's own
   * dependencies are looked for beside it too. */
  corvane_loader_state.module = LoadLibraryExW(corvane_loader_state.path, CORVANE_LOADER_NULL, 8u);
  if (corvane_loader_state.module == CORVANE_LOADER_NULL) {
    const unsigned long error = GetLastError();
    corvane_loader_fail("cannot load ");
    corvane_loader_say_path(corvane_loader_state.path);
    corvane_loader_say(": system error ");
    corvane_loader_say_number(error);
    return 0;
  }
  /* void (*)(void) in between: the conversion compilers accept between any
   * two function pointer types without a warning. */
#define CORVANE_LOADER_FIND(name)                                                               \
  name = CORVANE_LOADER_CAST(                                                                   \
      name##_fn,                                                                                \
      CORVANE_LOADER_CAST(void (*)(void), GetProcAddress(corvane_loader_state.module, #name))); \
  if (name == CORVANE_LOADER_NULL) {                                                            \
    corvane_loader_unload();                                                                    \
    corvane_loader_fail("no entry point " #name " in ");                                        \
    corvane_loader_say_path(corvane_loader_state.path);                                         \
    corvane_loader_say(" (a DLL older than these headers?)");                                   \
    return 0;                                                                                   \
  }
  CORVANE_ENTRY_POINTS(CORVANE_LOADER_FIND)
#undef CORVANE_LOADER_FIND
  return 1;
}

const char* corvane_loader_error(void) {
  return corvane_loader_state.error;
}

void corvane_loader_unload(void) {
  corvane_loader_clear();
  if (corvane_loader_state.module != CORVANE_LOADER_NULL) FreeLibrary(corvane_loader_state.module);
  corvane_loader_state.module = CORVANE_LOADER_NULL;
}

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CORVANE_LOADER_IMPLEMENTED */
#endif /* CORVANE_LOADER_IMPLEMENTATION */
