// The pointer types corvane.h offers GetProcAddress hosts, held against the
// declarations they stand for: a typedef that drifts from its function fails
// the build here instead of a host at run time. Every export has one, and a
// line in CORVANE_ENTRY_POINTS (the package check compares the export table
// with that list).
#include <type_traits>

#include "corvane/corvane.h"

#define CORVANE_SAME_TYPE(name) \
  static_assert(std::is_same_v<decltype(&name), name##_fn>, #name "_fn differs from " #name);

CORVANE_ENTRY_POINTS(CORVANE_SAME_TYPE)
