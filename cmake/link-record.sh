#!/bin/sh
# RULE_LAUNCH_LINK for a link run with lld's --verbose: link-record.sh RECORD
# COMMAND... runs the link, keeps lld's verbose lines (which archive members
# and objects it took) in RECORD for cmake/CorvaneNotices.cmake, and passes
# its errors and warnings, and every line of others, on.
record=$1
shift
mkdir -p "$(dirname "$record")"
"$@" 2>"$record.log"
status=$?
# Verbose mode makes lld describe its whole work; of its own lines only
# errors and warnings are passed on.
awk 'NF && !/^(ld\.lld|lld-link)[: ]/ || /^(ld\.lld|lld-link): (error|warning): /' "$record.log" >&2
grep -E '^(ld\.lld|lld-link): (Loaded|Reading) ' "$record.log" >"$record"
rm -f "$record.log"
exit $status
