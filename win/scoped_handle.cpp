#include "win/scoped_handle.h"

#include <windows.h>

namespace corvane::win {

void KernelHandleTraits::Close(Type handle) {
  CloseHandle(handle);
}

void RegKeyTraits::Close(Type key) {
  RegCloseKey(key);
}

ScopedHandle<KernelHandleTraits> NewEvent(bool manualReset) {
  return ScopedHandle<KernelHandleTraits>(CreateEventW(nullptr, manualReset, FALSE, nullptr));
}

}  // namespace corvane::win
