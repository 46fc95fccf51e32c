#!/usr/bin/env bash
# The shipped 32-bit tools, checked without running them (32-bit Wine may not
# run on the test host): PE32 console programs for i386 that import only
# system DLLs.
set -euo pipefail
dir=$1
system_dlls='^(kernel32|user32|gdi32|ws2_32|wsock32|msvcrt|advapi32)\.dll$'
for exe in controller.exe sample_host.exe; do
  file="$dir/$exe"
  [ -f "$file" ] || { echo "FAIL: $file was not built"; exit 1; }
  headers=$(i686-w64-mingw32-objdump -p "$file")
  grep -q "file format pei-i386" <<<"$headers" || { echo "FAIL: $file is not PE32 i386"; exit 1; }
  grep -qE "^Subsystem[[:space:]]+0+3" <<<"$headers" || { echo "FAIL: $file is not a console program"; exit 1; }
  odd=$(awk '/DLL Name/{print $3}' <<<"$headers" | grep -viE "$system_dlls" || true)
  [ -z "$odd" ] || { echo "FAIL: $file imports $odd"; exit 1; }
  echo "ok: $file is a PE32 i386 console program importing only system DLLs"
done
# The sample host binds Quorlin.dll at run time, so it must not import it.
imports=$(i686-w64-mingw32-objdump -p "$dir/sample_host.exe")
if grep -qi "DLL Name: Quorlin" <<<"$imports"; then
  echo "FAIL: sample_host.exe imports Quorlin.dll instead of loading it"; exit 1
fi
