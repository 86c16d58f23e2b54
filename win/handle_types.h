// The few Win32 types that headers name in their interfaces, declared
// exactly as the system headers declare them, so that such a header need not
// pull in <windows.h>. A translation unit that includes both sees the same
// declaration twice, which the compiler checks. Windows only.
#pragma once

// DECLARE_HANDLE(HKEY) with STRICT, the system headers' default.
struct HKEY__;
using HKEY = HKEY__*;

using HANDLE = void*;
using DWORD = unsigned long;
using LSTATUS = long;
