#!/usr/bin/env bash
# Builds and runs every benchmark: the native Google Benchmark program (host
# release build, preset "bench") and corvane-bench.exe under Wine (preset
# "windows"), then prints every figure and ratio and ends with one summary
# table: every ratio and every figure with a target, each with its target and
# whether it was met.
#
# Usage: scripts/bench.sh [--quick] [--native-only | --wine-only] [--json FILE]
#   --quick        short runs, for a smoke test (figures are rough)
#   --json FILE    also write every figure of the run to FILE as JSON, with
#                  the machine, its load and the time, for comparing runs
# Environment: BENCH_NATIVE_DIR / BENCH_WINDOWS_DIR use other build folders
# (configured like the presets) instead of build/bench and build/windows.
#
# Absolute figures depend on the machine and its load; the Wine figures are
# ratios against baselines measured in the same run for that reason. The
# summary also shows the broker's working set and private bytes once
# connected, after a 4 MiB FileRead, 20 reads and 20 1 MiB writes in a row,
# each right away and 2 s later.
# Exit code: 0 when everything built and was measured (targets may still be
# missed: see the summary), 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage="usage: scripts/bench.sh [--quick] [--native-only | --wine-only] [--json FILE]"
quick=0
native=1
wine=1
json=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --native-only) wine=0 ;;
    --wine-only) native=0 ;;
    --json)
      [ $# -ge 2 ] || { echo "$usage" >&2; exit 1; }
      json=$(realpath -m "$2")
      shift ;;
    *) echo "$usage" >&2; exit 1 ;;
  esac
  shift
done

scripts/setup.sh || exit 1

native_dir=$(realpath -m "${BENCH_NATIVE_DIR:-$root/build/bench}")
windows_dir=$(realpath -m "${BENCH_WINDOWS_DIR:-$root/build/windows}")
jobs=$(nproc 2>/dev/null || echo 2)
status=0
machine="$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
load=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u +%Y-%m-%dT%H:%M:%SZ)
# Every figure of the run, one a line: name, value, unit, target, result
# (tab-separated; target and result empty for a figure without a target).
records=$(mktemp)
trap 'rm -f "$records"' EXIT
failures=()

echo "== machine: $machine"
echo "== load: $load"

configure() {  # preset dir
  local preset=$1 dir=$2
  if [ "$dir" = "$root/build/$preset" ]; then
    cmake --preset "$preset" >/dev/null
  else
    cmake -S "$root" -B "$dir" >/dev/null
  fi
}

# Records one "name: value[x| unit][ (target <=|>= limit[x| unit]: met|MISSED)]"
# line, as corvane-bench and native_target print them; other lines are
# ignored.
record() {
  local re='^([A-Za-z0-9_]+): ([-+0-9.eE]+)(x| ([^ (]+))?( \(target (<=|>=) ([-+0-9.eE]+)(x| [^:]+)?: (met|MISSED)\))?$'
  local line=${1%$'\r'}  # Wine's console ends lines with CR LF
  [[ $line =~ $re ]] || return 0
  local unit=${BASH_REMATCH[4]} target=""
  [ "${BASH_REMATCH[3]}" = x ] && unit=x
  [ -n "${BASH_REMATCH[5]}" ] && target="${BASH_REMATCH[6]} ${BASH_REMATCH[7]}${BASH_REMATCH[8]}"
  printf '%s\t%s\t%s\t%s\t%s\n' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "$unit" "$target" \
    "${BASH_REMATCH[9]}" >>"$records"
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
    report=$(mktemp)
    args=(--benchmark_out="$report" --benchmark_out_format=json)
    [ "$quick" -eq 1 ] && args+=(--benchmark_min_time=0.05)
    echo "== native benchmarks: run"
    if "$native_dir/bin/corvane_native_bench" "${args[@]}"; then
      record "$(native_target "$report" BM_DecodeFrame16MiB bytes_per_second 1e9 GB/s 2)"
      record "$(native_target "$report" BM_DecodePong items_per_second 1e6 Mframes/s 5)"
    else
      failures+=("native: RUN FAILED")
      status=1
    fi
    rm -f "$report"
  else
    failures+=("native: BUILD FAILED")
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
    while IFS= read -r line; do record "$line"; done <"$log"
    rm -f "$log"
    if [ "$rc" -eq 1 ] || [ "$rc" -gt 2 ]; then
      failures+=("wine: MEASUREMENT FAILED (exit code $rc)")
      status=1
    fi
  else
    failures+=("wine: BUILD FAILED")
    status=1
  fi
fi

# The summary: every ratio and every figure with a target, and the figures
# that say what the broker costs beside them (CPU, first reply bytes, memory).
shown='_(first_reply_bytes|cpu_mean|fresh_reply_median)$|^soak_no_|^file_broker_(connected|after_)[a-z0-9_]*_(working_set|private_bytes)$'
echo
echo "== summary ($started, load $load)"
printf '  %-62s %14s  %-14s %s\n' figure value target result
while IFS=$'\t' read -r name value unit target result; do
  [ "$unit" = x ] || [ -n "$target" ] || [[ $name =~ $shown ]] || continue
  if [ "$unit" = x ]; then value="${value}x"; else value="$value${unit:+ $unit}"; fi
  printf '  %-62s %14s  %-14s %s\n' "$name" "$value" "${target:--}" "${result:--}"
done <"$records"
for f in "${failures[@]}"; do echo "  $f"; done
echo "  targets: $(grep -c $'\tmet$' "$records") met, $(grep -c $'\tMISSED$' "$records") missed"

if [ -n "$json" ]; then
  {
    printf '{\n  "started": "%s",\n  "machine": "%s",\n  "load": "%s",\n  "quick": %s,\n' \
      "$started" "${machine//\"/}" "$load" "$([ "$quick" -eq 1 ] && echo true || echo false)"
    printf '  "failures": ['
    sep=""
    for f in "${failures[@]}"; do printf '%s"%s"' "$sep" "$f"; sep=", "; done
    printf '],\n  "figures": ['
    sep=""
    number='^-?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?$'
    while IFS=$'\t' read -r name value unit target result; do
      [[ $value =~ $number ]] || value="null"
      printf '%s\n    {"name": "%s", "value": %s, "unit": "%s", "target": %s, "met": %s}' "$sep" \
        "$name" "$value" "$unit" "$([ -n "$target" ] && echo "\"$target\"" || echo null)" \
        "$(case "$result" in met) echo true ;; MISSED) echo false ;; *) echo null ;; esac)"
      sep=","
    done <"$records"
    printf '\n  ]\n}\n'
  } >"$json" && echo "  figures written to $json"
fi
exit $status
