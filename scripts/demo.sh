#!/usr/bin/env bash
# The whole road once, under Wine in a private virtual display and Wine
# prefix: the helper, the sample host and the controller over TCP and over a
# serial pty pair, a USB arrival and removal, and a "System Settings Change"
# box. Prints a short transcript; removes every process and file it made.
#
#   bash scripts/demo.sh [--bin DIR]     (DIR defaults to build/win64/bin)
#
# Runs the 64-bit build: 64-bit Wine works on every host, 32-bit Wine only
# where the kernel runs 32-bit user code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/win64/bin"
inside=""
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$(cd "$2" && pwd); shift 2 ;;
    --inside-display) inside=1; shift ;;
    *) echo "demo: unknown argument '$1' (use --bin DIR)" >&2; exit 2 ;;
  esac
done

for exe in Quorlin.dll controller.exe sample_host.exe demo_events.exe; do
  if [ ! -f "$bin/$exe" ]; then
    echo "demo: $bin/$exe is missing; run scripts/build.sh first" >&2
    exit 1
  fi
done

# A display of our own, so that no window of the demo reaches a real screen.
if [ -z "$inside" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --bin "$bin" --inside-display
fi

started=$(date +%s)
work=$(mktemp -d "${TMPDIR:-/tmp}/vexo-demo.XXXXXX")
. "$root/scripts/wine-prefix.sh"
wine_prefix_env "$work"

cleanup() {
  # Every step runs, whatever failed before.
  set +e
  wine_prefix_stop
  rm -rf "$work"
}
trap cleanup EXIT
# A plain bash skips its EXIT trap when killed; make a kill run the cleanup.
trap 'exit 1' INT TERM

# Every Windows program writes to a file of its own, never to our stdout:
# Wine's service processes inherit the descriptors they are given and would
# keep a reader of this script's output waiting. The file's name up to the
# first dot names the party in the transcript.
run() { # output-file program args...
  local out="$work/$1"; shift
  "$wine" "$bin/$1" "${@:2}" >>"$out" 2>&1 </dev/null &
  last_pid=$!
}
events() { "$wine" "$bin/demo_events.exe" "$@" >>"$work/system.out" 2>&1 </dev/null; }

fail() {
  show_step
  echo "demo: FAILED: $*"
  exit 1
}

wait_for() { # file pattern seconds
  local deadline=$((SECONDS + $3))
  until grep -q -- "$2" "$work/$1" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && fail "no '$2' from ${1%%.*} within $3 s"
    sleep 0.1
  done
}

wait_exit() { # pid name seconds [expected exit code]
  local deadline=$((SECONDS + $3)) status=0
  while kill -0 "$1" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && fail "$2 did not end within $3 s"
    sleep 0.1
  done
  wait "$1" || status=$?
  [ "$status" -eq "${4:-0}" ] || fail "$2 ended with exit code $status"
}

# The transcript of a step: every party's lines written since the last step,
# in the order of their time stamps.
declare -A shown
show_step() {
  local f party n
  : >"$work/step.lines"
  for f in "$work"/*.out; do
    [ -e "$f" ] || continue
    party=$(basename "$f"); party=${party%%.*}
    n=$(wc -l <"$f")
    tail -n +$((${shown[$f]:-0} + 1)) "$f" | head -n $((n - ${shown[$f]:-0})) | sed "s/^/$party\t/" >>"$work/step.lines"
    shown[$f]=$n
  done
  awk -F'\t' '
      { stamp = substr($2, 1, 12)
        if (stamp ~ /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9]$/) { last = stamp; text = substr($2, 15) }
        else { stamp = last; text = $2 }
        printf "%s\t%06d\t   %s  %-10s  %s\n", stamp, NR, stamp, $1, text }' "$work/step.lines" |
    sort -t $'\t' -k1,1 -k2,2n | cut -f3-
}

step() { echo; echo "$1"; }

echo "Vexo demo: helper.exe, Quorlin.dll, sample_host.exe and controller.exe under Wine"
echo "(64-bit build from $bin). Setting up a private Wine prefix..."
# The controller reads its script from here (Wine maps the Unix working
# directory to a drive path).
cd "$work"
wine_prefix_start "$work/wineboot.log"
# The helper logs to the debugger output; a debug viewer stamps its lines.
run helper.out demo_events.exe debug-log 120
events wait-debug-log 30 || fail "the debug-output viewer did not start"

have_helper=""
[ -f "$bin/helper.exe" ] && have_helper=1

step "1. The helper starts: one hidden window, VexoPeluMPHelper"
if [ -n "$have_helper" ]; then
  run helper.stdout helper.exe
  helper_pid=$last_pid
  wait_for helper.out "Helper Created" 30
  events wait-window VexoPeluMPHelper 30 || fail "the helper's window did not appear"
  show_step
else
  echo "   skipped: $bin/helper.exe is not built"
fi

script() { # file
  printf '%s\n' '@pause 300ms' 'START_TEST 7+' '@pause 400ms' 'TIME_OUT 30+' '@pause 400ms' \
    'TEST_DONE PASS+' '@pause 300ms' 'AUTO_DOWNLOAD fw.bin+' '@pause 400ms' 'AUTO_DOWNLOAD PASS+' \
    '@pause 400ms' >"$1"
}
script "$work/script.txt"

step "2. TCP: the sample host connects to the controller, which plays a short script"
run controller.tcp.out controller.exe tcp --listen 127.0.0.1 --port 0 --script script.txt
controller_pid=$last_pid
wait_for controller.tcp.out "listening on" 30
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/controller.tcp.out")
run host.tcp.out sample_host.exe tcp --server 127.0.0.1 --port "$port"
host_pid=$last_pid
wait_for controller.tcp.out "end of input" 30
events close VexoPeluRERovaing || fail "the sample host's window is gone"
wait_exit "$host_pid" "the sample host" 10
wait_exit "$controller_pid" "the controller" 10
show_step

step "3. Serial: the same over COM31 <-> COM32, a pty pair"
wine_serial_pair "$work" 31 32
run host.serial.out sample_host.exe serial COM31 --baud 115200
host_pid=$last_pid
# The host purges the port when it opens it: start talking after that.
wait_for host.serial.out "receive worker started" 30
run controller.serial.out controller.exe serial COM32 --baud 115200 --script script.txt
wait_exit "$last_pid" "the controller" 20
show_step

step "4. A USB stick arrives and is removed; the helper tells the host"
if [ -n "$have_helper" ]; then
  events usb arrival || fail "the USB arrival did not reach the helper"
  wait_for host.serial.out "arrival" 10
  events usb removal || fail "the USB removal did not reach the helper"
  wait_for host.serial.out "removal" 10
else
  echo "   skipped: no helper"
fi
events close VexoPeluRERovaing || fail "the sample host's window is gone"
wait_exit "$host_pid" "the sample host" 10
show_step

step "5. A \"System Settings Change\" box appears; the helper answers No"
if [ -n "$have_helper" ]; then
  events settings-box 10 || fail "the box was not answered No"
  wait_for helper.out "Find System Settings Change Window" 5
  show_step
  step "6. The helper is closed"
  events close VexoPeluMPHelper
  # The helper's exit code after a normal end is 1.
  wait_exit "$helper_pid" "the helper" 10 1
  wait_for helper.out "Quit" 5
  show_step
else
  echo "   skipped: no helper"
fi

echo
echo "Demo done in $(( $(date +%s) - started )) s. Stopping Wine and removing the prefix."
