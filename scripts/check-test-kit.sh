#!/usr/bin/env bash
# The Windows test kit as a Windows user runs it: unpacked into an empty
# folder, `cmd /c run-tests.cmd` in a fresh Wine prefix (a stock machine:
# nothing of the build's prefix), every program passing, and nothing left
# behind: the prefix's whole registry (HKCU and HKLM, exported) and every
# file of its drive C compared before and after, and the kit's folder
# holding what it was unpacked with.
# Usage: scripts/check-test-kit.sh KIT.zip
# Exit code: 0 when the run says "N passed, 0 failed" and nothing changed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
archive=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-kit-check.XXXXXX") || exit 1
prefix=$work/prefix
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive") || { echo "  FAIL cannot unpack"; exit 1; }
kit=$(echo "$work"/unpacked/*)
wine_do() { "$root/cmake/wine-run.sh" "$prefix" "$@" </dev/null; }

# state <file>: the registry and drive C as they are now.
state() {
  wine_do reg export HKCU "$work/hkcu.reg" /y >/dev/null 2>&1
  wine_do reg export HKLM "$work/hklm.reg" /y >/dev/null 2>&1
  {
    iconv -f UTF-16LE -t UTF-8 "$work/hkcu.reg" "$work/hklm.reg" 2>/dev/null | tr -d '\r'
    (cd "$prefix/drive_c" && find . -printf '%y %s %p\n' | LC_ALL=C sort)
  } >"$1"
  (cd "$kit" && find . -type f | LC_ALL=C sort) >>"$1"
}

wine_do cmd /c exit >/dev/null 2>&1  # the prefix made, and settled
state "$work/before"
start=$(date +%s)
out=$(cd "$kit" && wine_do cmd /c run-tests.cmd 2>&1)
rc=$?
seconds=$(($(date +%s) - start))
out=${out//$'\r'/}
echo "$out" | sed 's/^/  [kit] /'
state "$work/after"

failed=()
[ "$rc" -eq 0 ] || failed+=("run-tests.cmd exited with $rc")
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' <<<"$out")
[[ "$summary" =~ ^[1-9][0-9]*\ passed,\ 0\ failed$ ]] || failed+=("no 'N passed, 0 failed' line")
programs=$(grep -c -v -e '^#' "$kit/tests.txt")
lines=$(grep -c -E '^(ok|FAILED) ' <<<"$out")
[ "$lines" -eq "$programs" ] || failed+=("$lines result lines for $programs programs")
if ! diff "$work/before" "$work/after" >"$work/diff"; then
  grep '^[<>]' "$work/diff" | head -40 | sed 's/^/    /'
  failed+=("the run left changes behind (< before, > after)")
fi
if [ ${#failed[@]} -gt 0 ]; then
  printf '  FAIL %s\n' "${failed[@]}"
  if [ -d "$kit/logs" ]; then
    for log in "$kit"/logs/*; do tail -30 "$log" | sed "s|^|    [$(basename "$log")] |"; done
  fi
  exit 1
fi
echo "  ok: $summary in ${seconds}s from an empty folder; registry and drive C unchanged"
