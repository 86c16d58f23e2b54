#!/usr/bin/env bash
# Builds the fuzz targets and runs every one of them for a while.
#
#   scripts/fuzz.sh [--throughput] [--runs N] [seconds]
#
# By default the targets run under AddressSanitizer and UBSan (host preset,
# build/host) for 60 seconds each: slow (hundreds to a few thousand runs a
# second) but it catches memory faults, undefined behaviour and leaks. CI's
# brief runs (the host preset's *_fuzzer_smoke tests) use this configuration.
#
# --throughput builds the fuzz-throughput preset (build/fuzz-throughput):
# optimised, no sanitizers, libFuzzer only, NDEBUG left undefined. Every
# target checks its invariants with explicit aborts, so they hold here too;
# only memory faults that do not crash and leaks go unseen. It runs tens to
# hundreds of times faster, for long runs:
#
#   scripts/fuzz.sh --throughput --runs 10000000   # ten million runs per target
#
# --runs N stops each fuzzer after N runs; with it, `seconds` is an optional
# upper bound per fuzzer (none by default).
#
# Each fuzzer starts from a writable copy of its seed corpus (the folder
# `corpus` next to its sources), so the committed seeds stay as they are.
# Prints one line per fuzzer and exits non-zero if any of them found a crash,
# a leak, a time-out or ran out of memory; the input that did it is kept in
# <build>/fuzz-work/<fuzzer>/. CORVANE_FUZZ_BUILD_DIR puts the build
# elsewhere (same preset settings).
set -u -o pipefail

usage() {
  echo "usage: $0 [--throughput] [--runs N] [seconds]" >&2
  exit 2
}

is_number() { case $1 in '' | *[!0-9]*) return 1 ;; esac }

preset=host
runs=
seconds=
while [ $# -gt 0 ]; do
  case $1 in
    --throughput) preset=fuzz-throughput ;;
    --runs)
      [ $# -ge 2 ] && is_number "$2" || usage
      runs=$2
      shift
      ;;
    *)
      is_number "$1" && [ -z "$seconds" ] || usage
      seconds=$1
      ;;
  esac
  shift
done
# libFuzzer reads 0 as "no limit".
if [ -z "$runs" ]; then
  seconds=${seconds:-60}
  runs=-1
else
  seconds=${seconds:-0}
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_FUZZ_BUILD_DIR:-$root/build/$preset}
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
cmake --preset "$preset" -B "$build" >"$configure_log" 2>&1 || {
  cat "$configure_log" >&2
  echo "fuzz.sh: configuring the $preset preset failed" >&2
  exit 2
}
# Only the fuzz targets: the rest of the tree is not needed to fuzz.
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\([A-Za-z0-9_]*_fuzzer\): .*/\1/p')
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: the $preset preset defines no *_fuzzer targets" >&2
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
  started=$(date +%s.%N)
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$binary" -max_total_time="$seconds" -runs="$runs" \
    -print_final_stats=1 -timeout=30 -artifact_prefix="$dir/" "$dir/corpus" >"$log" 2>&1
  rc=$?
  elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  execs=$(final_stat number_of_executed_units "$log")
  # Runs over wall time, start-up included; libFuzzer's own figure is rounded
  # to whole seconds.
  rate=$(awk -v n="${execs:-0}" -v t="$elapsed" 'BEGIN { if (n > 0 && t > 0) printf "%d", n / t }')
  added=$(final_stat new_units_added "$log")
  if [ $rc -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $rc)"
    status=1
  fi
  printf '%-28s %-16s %8s execs/s  %10s runs  %5s new units  %ss\n' "$name" "$result" \
    "${rate:-?}" "${execs:-?}" "${added:-?}" "$elapsed"
  if [ $rc -ne 0 ]; then
    artifacts=("$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*)
    for a in "${artifacts[@]}"; do echo "  finding: $a"; done
    grep -m 5 -E "ERROR|SUMMARY|runtime error|deadly signal|invariant broken|_fuzzer: " "$log" | sed 's/^/  /'
    echo "  full log: $log"
  fi
done
exit $status
