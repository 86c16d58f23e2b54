#!/usr/bin/env bash
# Builds and runs every benchmark: the native Google Benchmark program (host
# release build, preset "bench") and corvane-bench.exe under Wine (preset
# "windows"), then prints every figure and ratio and a summary of targets.
#
# Usage: scripts/bench.sh [--quick] [--native-only | --wine-only]
#   --quick        short runs, for a smoke test (figures are rough)
# Environment: BENCH_NATIVE_DIR / BENCH_WINDOWS_DIR use other build folders
# (configured like the presets) instead of build/bench and build/windows.
#
# Absolute figures depend on the machine and its load; the Wine figures are
# ratios against baselines measured in the same run for that reason. The
# summary also shows the broker's working set and private bytes once
# connected, after a 4 MiB FileRead and after 20 in a row, each right away
# and 2 s later.
# Exit code: 0 when everything built and was measured (targets may still be
# missed: see the summary), 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

quick=0
native=1
wine=1
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    --native-only) wine=0 ;;
    --wine-only) native=0 ;;
    *) echo "usage: scripts/bench.sh [--quick] [--native-only | --wine-only]" >&2; exit 1 ;;
  esac
done

scripts/setup.sh || exit 1

native_dir=$(realpath -m "${BENCH_NATIVE_DIR:-$root/build/bench}")
windows_dir=$(realpath -m "${BENCH_WINDOWS_DIR:-$root/build/windows}")
jobs=$(nproc 2>/dev/null || echo 2)
status=0
summary=()

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"

configure() {  # preset dir
  local preset=$1 dir=$2
  if [ "$dir" = "$root/build/$preset" ]; then
    cmake --preset "$preset" >/dev/null
  else
    cmake -S "$root" -B "$dir" >/dev/null
  fi
}

# Prints "name: value (target: met|MISSED)" for one native figure from the
# JSON report: $1 file, $2 benchmark name, $3 field, $4 scale, $5 unit,
# $6 minimum.
native_target() {
  awk -v want="$2" -v field="$3" -v scale="$4" -v unit="$5" -v min="$6" '
    /"name":/ { gsub(/[",]/, "", $2); name = $2 }
    name == want && $1 == "\"" field "\":" {
      gsub(/,/, "", $2); v = $2 / scale
      printf "%s_%s: %.2f %s (target >= %s %s: %s)\n", want, field, v, unit, min, unit, (v >= min ? "met" : "MISSED")
      exit
    }' "$1"
}

if [ "$native" -eq 1 ]; then
  echo "== native benchmarks: build ($native_dir)"
  if configure bench "$native_dir" && cmake --build "$native_dir" -j "$jobs" --target corvane_native_bench; then
    json=$(mktemp)
    args=(--benchmark_out="$json" --benchmark_out_format=json)
    [ "$quick" -eq 1 ] && args+=(--benchmark_min_time=0.05)
    echo "== native benchmarks: run"
    if "$native_dir/bin/corvane_native_bench" "${args[@]}"; then
      summary+=("$(native_target "$json" BM_DecodeFrame16MiB bytes_per_second 1e9 GB/s 2)")
      summary+=("$(native_target "$json" BM_DecodePong items_per_second 1e6 Mframes/s 5)")
    else
      summary+=("native: RUN FAILED")
      status=1
    fi
    rm -f "$json"
  else
    summary+=("native: BUILD FAILED")
    status=1
  fi
fi

if [ "$wine" -eq 1 ]; then
  echo "== Wine benchmark: build ($windows_dir)"
  targets=(corvane-broker corvane-bench corvane-bench-echo corvane-bench-minpipe corvane-bench-minpipe-pump)
  if configure windows "$windows_dir" && cmake --build "$windows_dir" -j "$jobs" --target "${targets[@]}"; then
    echo "== Wine benchmark: run"
    args=()
    [ "$quick" -eq 1 ] && args+=(--quick)
    log=$(mktemp)
    cmake/wine-run.sh "$windows_dir/wineprefix" "$windows_dir/bin/corvane-bench.exe" "${args[@]}" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    while IFS= read -r line; do summary+=("$line"); done < <(grep -E 'target|soak_no_|file_read_4mib_.*(first_reply_bytes|cpu_mean|fresh_reply_median)|file_read_4mib_idle_vs|file_broker_(connected|after_)[a-z0-9_]*_(working_set|private_bytes)' "$log")
    rm -f "$log"
    if [ "$rc" -eq 1 ] || [ "$rc" -gt 2 ]; then
      summary+=("wine: MEASUREMENT FAILED (exit code $rc)")
      status=1
    fi
  else
    summary+=("wine: BUILD FAILED")
    status=1
  fi
fi

echo
echo "== summary"
for s in "${summary[@]}"; do echo "  $s"; done
exit $status
