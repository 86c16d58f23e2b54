// The benchmark's output: one "name: value" line per figure, and ratio lines
// that say whether a target is met.
#pragma once

namespace corvane::bench {

void Figure(const char* name, double value, const char* unit);
// Prints "name: <measured / baseline>x" and, for a positive `target`, whether
// the ratio is at most the target. Returns whether it is.
bool Ratio(const char* name, double measured, double baseline, double target = 0.0);
// Prints "name: value unit (target <= limit unit: met|MISSED)"; returns
// whether the value is at most the limit.
bool Margin(const char* name, double value, double limit, const char* unit);
// A free-form note line, "# text".
void Note(const char* text);
// Counts the targets missed so far; the exit code reports it.
int MissedTargets();

}  // namespace corvane::bench
