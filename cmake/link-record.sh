#!/bin/sh
# RULE_LAUNCH_LINK for a link run with lld's --verbose: link-record.sh RECORD
# COMMAND... runs the link, keeps lld's verbose lines (which archive members
# and objects it took) in RECORD for cmake/CorvaneNotices.cmake, and passes
# every other line of its error output on, except the comdat notes that lld
# writes only when verbose.
record=$1
shift
mkdir -p "$(dirname "$record")"
"$@" 2>"$record.log"
status=$?
grep -v -E '^(ld\.lld|lld-link): ((Loaded|Reading) |comdat section .* discarding$)|^lld-link ' \
  "$record.log" >&2
grep -E '^(ld\.lld|lld-link): (Loaded|Reading) ' "$record.log" >"$record"
rm -f "$record.log"
exit $status
