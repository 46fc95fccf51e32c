#!/usr/bin/env bash
# Checks the shipped 32-bit binaries without running them: PE32 for i386,
# only system DLLs imported, the DLL's exports under their decorated names,
# and a GUI-subsystem helper.
set -euo pipefail
dir=$1
. "$(dirname "$0")/pe_checks.sh"

dll="$dir/Quorlin.dll"
check_pe32 "$dll" -
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
  check_pe32 "$helper" 2
  echo "ok: $helper is a GUI-subsystem program"
fi
