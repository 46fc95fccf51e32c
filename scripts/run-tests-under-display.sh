#!/usr/bin/env bash
# Runs inside xvfb-run: one fresh Wine prefix, one wineserver and the serial
# pty pairs for the whole run; all of it is removed again at the end.
set -euo pipefail
[ -n "${VEXO_TRACE:-}" ] && set -x
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

work=$(mktemp -d /tmp/vexo-test.XXXXXX)
export WINEPREFIX="$work/prefix"
# Wine keeps its server's socket folder in TMPDIR and leaves it behind.
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
socat_pids=()

cleanup() {
  for pid in "${socat_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "test run: creating Wine prefix in $WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wineserver" -p >/dev/null 2>&1  # its object dump at exit is noise
"$wine" wineboot -i >/dev/null 2>&1 || true
# Without a window manager Wine stalls about 2 s whenever a window is hidden.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# Serial lines: pty pairs, each end linked into the prefix as a COM port.
# High numbers, because Wine rewrites the low COM links at start.
make_serial_pair() { # host-com device-com
  local a="$work/pty$1" b="$work/pty$2"
  socat pty,raw,echo=0,link="$a" pty,raw,echo=0,link="$b" 2>/dev/null &
  socat_pids+=($!)
  for _ in $(seq 50); do [ -e "$a" ] && [ -e "$b" ] && break; sleep 0.1; done
  ln -sf "$a" "$WINEPREFIX/dosdevices/com$1"
  ln -sf "$b" "$WINEPREFIX/dosdevices/com$2"
}
make_serial_pair 21 22
export VEXO_TEST_COM_HOST=21 VEXO_TEST_COM_DEVICE=22
export VEXO_TEST_COM_HOST_PTY="$work/pty21"

ctest --preset win64 "$@"
