#include "bench/wine/report.h"

#include <cstdio>

namespace corvane::bench {

namespace {
int missed = 0;
}  // namespace

void Figure(const char* name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name, value, unit);
  std::fflush(stdout);
}

bool Ratio(const char* name, double measured, double baseline, double target) {
  const double ratio = baseline > 0.0 ? measured / baseline : 0.0;
  bool met = true;
  if (target > 0.0) {
    met = baseline > 0.0 && ratio <= target;
    if (!met) ++missed;
    std::printf("%s: %.3fx (target <= %.2fx: %s)\n", name, ratio, target, met ? "met" : "MISSED");
  } else {
    std::printf("%s: %.3fx\n", name, ratio);
  }
  std::fflush(stdout);
  return met;
}

bool Margin(const char* name, double value, double limit, const char* unit) {
  const bool met = value <= limit;
  if (!met) ++missed;
  std::printf("%s: %.3f %s (target <= %.0f %s: %s)\n", name, value, unit, limit, unit,
              met ? "met" : "MISSED");
  std::fflush(stdout);
  return met;
}

void Note(const char* text) {
  std::printf("# %s\n", text);
  std::fflush(stdout);
}

int MissedTargets() {
  return missed;
}

}  // namespace corvane::bench
