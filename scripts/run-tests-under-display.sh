#!/usr/bin/env bash
# Runs inside xvfb-run: one fresh Wine prefix, one wineserver and the serial
# pty pairs for the whole run; all of it is removed again at the end.
set -euo pipefail
[ -n "${VEXO_TRACE:-}" ] && set -x
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

. scripts/wine-prefix.sh
work=$(mktemp -d /tmp/vexo-test.XXXXXX)
wine_prefix_env "$work"

cleanup() {
  wine_prefix_stop
  rm -rf "$work"
}
trap cleanup EXIT

echo "test run: creating Wine prefix in $WINEPREFIX"
wine_prefix_start "$work/wineboot.log"

wine_serial_pair "$work" 21 22
export VEXO_TEST_COM_HOST=21 VEXO_TEST_COM_DEVICE=22
export VEXO_TEST_COM_HOST_PTY="$work/pty21"

ctest --preset win64 "$@"
