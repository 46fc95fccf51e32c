#!/bin/sh
# Runs a Windows program under 64-bit Wine for ctest. Output goes through a
# file because Wine's service processes, started on first use, inherit the
# program's stdout and would keep ctest's pipe open until its time-out.
out=$(mktemp /tmp/wine-run.XXXXXX)
/usr/lib/wine/wine64 "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
