#!/usr/bin/env bash
# Builds the host preset and runs every libFuzzer target for a while.
#
#   scripts/fuzz.sh [seconds]     (default 60 seconds per fuzzer)
#
# Each fuzzer starts from a writable copy of its seed corpus (the folder
# `corpus` next to its sources), so the committed seeds stay as they are.
# Prints one line per fuzzer and exits non-zero if any of them found a crash,
# a leak, a time-out or ran out of memory; the input that did it is kept in
# build/host/fuzz-work/<fuzzer>/. CORVANE_FUZZ_BUILD_DIR puts the build
# elsewhere (same preset settings).
set -u -o pipefail

seconds=${1:-60}
case $seconds in
  '' | *[!0-9]*)
    echo "usage: $0 [seconds]" >&2
    exit 2
    ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_FUZZ_BUILD_DIR:-$root/build/host}
work=$build/fuzz-work

for tool in clang clang++ cmake ninja; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "fuzz.sh: $tool is not installed" >&2
    exit 2
  fi
done

cd "$root" || exit 2
configure_log=$(mktemp)
trap 'rm -f "$configure_log"' EXIT
cmake --preset host -B "$build" >"$configure_log" 2>&1 || {
  cat "$configure_log" >&2
  echo "fuzz.sh: configuring the host preset failed" >&2
  exit 2
}
# Only the fuzz targets: the rest of the tree is not needed to fuzz.
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\([A-Za-z0-9_]*_fuzzer\): .*/\1/p')
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: the host preset defines no *_fuzzer targets" >&2
  exit 2
fi
cmake --build "$build" --target "${targets[@]}" || {
  echo "fuzz.sh: building the fuzzers failed" >&2
  exit 2
}

# The seed corpus of a fuzzer: `corpus` beside the CMakeLists.txt that
# declares it.
seed_corpus() {
  local declaring
  declaring=$(grep -l -E "corvane_fuzzer\\([[:space:]]*$1([[:space:]]|\$)" "$root"/fuzz/*/CMakeLists.txt \
    2>/dev/null | head -n 1)
  [ -n "$declaring" ] && echo "$(dirname "$declaring")/corpus"
}

# One of libFuzzer's closing statistics from a log.
final_stat() { sed -n "s/^stat::$1:[[:space:]]*//p" "$2" | tail -n 1; }

status=0
shopt -s nullglob
fuzzers=("$build"/bin/*_fuzzer)
if [ ${#fuzzers[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzzer binaries in $build/bin" >&2
  exit 2
fi
for binary in "${fuzzers[@]}"; do
  [ -x "$binary" ] || continue
  name=$(basename "$binary")
  dir=$work/$name
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  seeds=$(seed_corpus "$name")
  if [ -n "$seeds" ] && [ -d "$seeds" ]; then
    cp -R "$seeds"/. "$dir/corpus/"
  fi
  log=$dir/fuzz.log
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$binary" -max_total_time="$seconds" \
    -print_final_stats=1 -timeout=30 -artifact_prefix="$dir/" "$dir/corpus" >"$log" 2>&1
  rc=$?
  execs=$(final_stat number_of_executed_units "$log")
  rate=$(final_stat average_exec_per_sec "$log")
  added=$(final_stat new_units_added "$log")
  if [ $rc -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $rc)"
    status=1
  fi
  printf '%-28s %-16s %8s execs/s  %10s runs  %5s new units  %ss\n' "$name" "$result" \
    "${rate:-?}" "${execs:-?}" "${added:-?}" "$seconds"
  if [ $rc -ne 0 ]; then
    artifacts=("$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*)
    for a in "${artifacts[@]}"; do echo "  finding: $a"; done
    grep -m 5 -E "ERROR|SUMMARY|runtime error|deadly signal" "$log" | sed 's/^/  /'
    echo "  full log: $log"
  fi
done
exit $status
