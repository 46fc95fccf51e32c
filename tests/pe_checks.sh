# Sourced by the checks of the shipped 32-bit binaries, which are inspected
# rather than run (32-bit Wine may not run on the test host).
objdump=i686-w64-mingw32-objdump
system_dlls='^(kernel32|user32|gdi32|ws2_32|wsock32|msvcrt|advapi32|shell32|ole32|comctl32|version)\.dll$'
fail() { echo "FAIL: $*"; exit 1; }

# PE32 for i386, the given subsystem (2 GUI, 3 console, or - for a DLL), and
# only system DLLs imported.
check_pe32() { # file subsystem
  [ -f "$1" ] || fail "$1 was not built"
  local headers odd
  headers=$($objdump -p "$1")
  grep -q "file format pei-i386" <<<"$headers" || fail "$1 is not a PE32 i386 image"
  grep -qE "^Magic[[:space:]]+010b" <<<"$headers" || fail "$1 lacks the PE32 optional header"
  if [ "$2" != - ]; then
    grep -qE "^Subsystem[[:space:]]+0+$2" <<<"$headers" || fail "$1 has not subsystem $2"
  fi
  odd=$(awk '/DLL Name/{print $3}' <<<"$headers" | grep -viE "$system_dlls" || true)
  [ -z "$odd" ] || fail "$1 imports non-system DLLs: $odd"
  echo "ok: $1 is PE32 i386 and imports only system DLLs"
}
