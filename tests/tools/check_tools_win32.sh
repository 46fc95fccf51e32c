#!/usr/bin/env bash
# The shipped 32-bit tools: PE32 console programs for i386 that import only
# system DLLs.
set -euo pipefail
dir=$1
. "$(dirname "$0")/../pe_checks.sh"
for exe in controller.exe sample_host.exe; do
  check_pe32 "$dir/$exe" 3
done
# The sample host binds Quorlin.dll at run time, so it must not import it.
imports=$($objdump -p "$dir/sample_host.exe")
if grep -qi "DLL Name: Quorlin" <<<"$imports"; then
  fail "sample_host.exe imports Quorlin.dll instead of loading it"
fi
