#!/bin/sh
# Runs a Windows test program under Wine in a private prefix (first argument),
# creating the prefix on first use. Wine must not download anything.
set -u
prefix=$1
shift
case "$prefix" in
  /*) ;;
  *) prefix="$(pwd)/$prefix" ;;  # Wine takes only an absolute prefix
esac
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
if [ ! -f "$prefix/.corvane-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.corvane-ready" ]; then
      wineboot -i >/dev/null 2>&1 && wineserver -w && touch "$prefix/.corvane-ready"
    fi
  ) 9>"$prefix.lock"
fi
# A wineserver started by a test would inherit the test's output pipe and
# hold ctest for seconds after the test ends: start it detached instead, and
# let it linger a little between tests.
if wineserver -p30 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1
fi
exec wine "$@"
