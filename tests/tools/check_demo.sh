#!/usr/bin/env bash
# Runs the demo and checks that its transcript shows every step of the road
# (not its timings), and that it left no Wine process or prefix behind.
set -u
root=$1 bin=$2
out=$(mktemp /tmp/vexo-demo-check.XXXXXX)
# The demo's temporary folders go into a folder of this check's own, so that
# another demo running at the same time cannot be mistaken for ours.
private=$(mktemp -d /tmp/vexo-demo-check.XXXXXX)
trap 'rm -f "$out"; rm -rf "$private"' EXIT

# Ended well before ctest's own limit, so that the demo's cleanup still runs
# and its transcript is shown.
TMPDIR=$private timeout -k 5 100 bash "$root/scripts/demo.sh" --bin "$bin" >"$out" 2>&1
status=$?
cat "$out"
[ $status -eq 0 ] || { echo "FAIL: the demo ended with exit code $status"; exit 1; }

missing=0
expect() { # party text (a fixed string)
  if ! grep -E "^ +[0-9:.]{12} +$1 " "$out" | grep -qF -- "$2"; then
    echo "FAIL: no '$2' from $1"
    missing=1
  fi
}
# 1. the helper starts
expect helper "Vexo Helper Created !!!"
# 2. and 3. the same script over TCP and over serial: each line reaches the
# host's callback with its argument, and the host's answer reaches the
# controller
for link in TCP Serial; do
  section=$(sed -n "/^[0-9]\. $link/,/^[0-9]\. /p" "$out")
  for line in 'sent: START_TEST 7+' 'sent: TIME_OUT 30+' 'sent: TEST_DONE PASS+' 'sent: AUTO_DOWNLOAD fw.bin+' \
              'host: RESULT PASS'; do
    grep -qF -- "controller  $line" <<<"$section" || { echo "FAIL: $link: no '$line' from the controller"; missing=1; }
  done
  for line in 'callback CMD_START_TEST, argument " 7"' 'callback CMD_TIME_OUT, argument " 30"' \
              'callback CMD_TEST_DONE, argument " PASS"' 'answered TEST_DONE: sent "RESULT PASS"' \
              'callback CMD_AUTO_DOWNLOAD, argument "fw.bin+"' 'callback CMD_AUTO_DOWNLOAD_PASS'; do
    grep -qF -- "host        $line" <<<"$section" || { echo "FAIL: $link: no '$line' from the host"; missing=1; }
  done
done
# Both hosts close their link (the serial one after the USB step).
[ "$(grep -cE '^ +[0-9:.]{12} +host +link closed' "$out")" -eq 2 ] || { echo "FAIL: not both hosts closed their link"; missing=1; }
expect controller "listening on 127.0.0.1:"
expect controller "host closed the connection"
expect host "opened COM31"
# 4. a USB arrival and removal pass the helper and reach the host
expect helper "Send Drive Change Message(arrival)"
expect host "drive change 0x101C: arrival"
expect helper "Send Drive Change Message(remove)"
expect host "drive change 0x101C: removal"
# 5. the box is answered No by the helper
expect helper "Find System Settings Change Window"
expect system "the box was answered No"
expect helper "Vexo Helper Quit !!!"
grep -q "^Demo done in" "$out" || { echo "FAIL: no closing line"; missing=1; }
grep -q "skipped" "$out" && { echo "FAIL: a step was skipped"; missing=1; }

left=$(ls -A "$private")
[ -z "$left" ] || { echo "FAIL: the demo left $left behind"; missing=1; }
for environ in /proc/[0-9]*/environ; do
  if { tr '\0' '\n' <"$environ"; } 2>/dev/null | grep -qF "WINEPREFIX=$private/"; then
    pid=${environ#/proc/}; pid=${pid%/environ}
    echo "FAIL: process $pid of the demo's prefix is still running"
    missing=1
  fi
done
[ $missing -eq 0 ] && echo "ok: the demo showed every step and cleaned up"
exit $missing
