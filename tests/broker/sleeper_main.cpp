// A process that does nothing until it is killed: the "served process" of
// tests that decide when it ends.
#include <windows.h>

int wmain() {
  Sleep(INFINITE);
  return 0;
}
