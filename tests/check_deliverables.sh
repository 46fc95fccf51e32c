#!/usr/bin/env bash
# Checks the shipped 32-bit binaries without running them: PE32 for i386,
# only system DLLs imported, the DLL's exports under their decorated names,
# and a GUI-subsystem helper.
set -euo pipefail
dir=$1
objdump=i686-w64-mingw32-objdump
system_dlls='^(kernel32|user32|gdi32|ws2_32|wsock32|msvcrt|advapi32|shell32|ole32|comctl32|version)\.dll$'
fail() { echo "FAIL: $*"; exit 1; }

check_pe32() { # file
  local headers
  headers=$($objdump -p "$1")
  grep -q "file format pei-i386" <<<"$headers" || fail "$1 is not a PE32 i386 image"
  grep -qE "^Magic[[:space:]]+010b" <<<"$headers" || fail "$1 lacks the PE32 optional header"
  local odd
  odd=$(awk '/DLL Name/{print $3}' <<<"$headers" | grep -viE "$system_dlls" || true)
  [ -z "$odd" ] || fail "$1 imports non-system DLLs: $odd"
  echo "ok: $1 is PE32 i386 and imports only system DLLs"
}

dll="$dir/Quorlin.dll"
[ -f "$dll" ] || fail "$dll was not built"
check_pe32 "$dll"
exports=$($objdump -p "$dll")
for name in _Z14uInitialClientPci \
            _Z11uSendViaLanNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE \
            _Z15uRecvFromServerRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPFh15CALLBACKCOMMANDPvE \
            _Z16uCloseConnectionv \
            _Z11uInitialComiiiii \
            _Z11uSendViaComNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE \
            _Z12uRecvFromComRNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPFh15CALLBACKCOMMANDPvE \
            _Z9uCloseComv; do
  grep -qE "\] $name\$" <<<"$exports" || fail "$dll does not export $name"
done
echo "ok: $dll exports the eight functions under their decorated names"

helper="$dir/helper.exe"
if [ -f "$helper" ]; then
  check_pe32 "$helper"
  headers=$($objdump -p "$helper")
  grep -qE "^Subsystem[[:space:]]+0+2" <<<"$headers" || fail "$helper is not a GUI-subsystem program"
  echo "ok: $helper is a GUI-subsystem program"
fi
