#!/usr/bin/env bash
# A short plug-in session with the broker under Wine, through
# corvane-plugin.exe --show-diagnostics: every request, the broker's debug
# output lines and every answer are printed. Installs what is missing
# (Debian 12), builds the two programs if needed and creates the Wine prefix
# on first use. Safe to rerun: the session cleans up after itself.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# --- packages -----------------------------------------------------------
scripts/setup.sh

# --- build --------------------------------------------------------------
build="$root/build/windows"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
quietly() {
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "demo: failed: $*" >&2
    exit 1
  fi
}
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "== configuring the windows preset"
  quietly cmake --preset windows
fi
echo "== building corvane-broker.exe and corvane-plugin.exe (if needed)"
quietly cmake --build --preset windows --target corvane-broker corvane-plugin
if [ ! -f "$build/wineprefix/.corvane-ready" ]; then
  echo "== creating the Wine prefix $build/wineprefix (first run only)"
fi

# --- the session --------------------------------------------------------
# One request per line, as corvane-plugin --help describes them. Paths with
# %APPDATA% are expanded by the tool inside Wine.
key='Software\Corvane\Demo'
file='%APPDATA%\corvane\demo.txt'
session=$(cat <<EOS
# Is anybody there?
ping

# Registry: values below HKEY_CURRENT_USER\\$key
write-string hkcu $key Greeting "hello from the demo"
read-string hkcu $key Greeting
write-dword hkcu $key Count 42
read-dword hkcu $key Count
write-dword hkcu $key\\Plugins\\Viewer Enabled 1
list-subkeys hkcu $key
list-values hkcu $key

# Refused: the machine hive is read-only for plug-ins.
write-string hklm Software\\Corvane Greeting "not allowed"

# Files below %APPDATA%\\corvane ("hello, file" as hex), then a path outside it.
file-write $file 68656c6c6f2c2066696c65
file-read $file
file-read %APPDATA%\\..\\secret.txt

# Tidy up, so that the next run starts the same way.
file-delete $file
delete-tree hkcu $key
EOS
)

echo "== session (corvane-plugin.exe --show-diagnostics --script -)"
echo
status=0
printf '%s\n' "$session" |
  "$root/cmake/wine-run.sh" "$build/wineprefix" "$build/bin/corvane-plugin.exe" \
    --show-diagnostics --script - || status=$?
echo
# Exit code 1 means some answer was not Ok, which the refusals above are.
case $status in
  0 | 1) echo "== demo finished (corvane-plugin exit code $status: refusals answer Denied)" ;;
  *) echo "demo: corvane-plugin failed with exit code $status" >&2; exit 1 ;;
esac
