#!/usr/bin/env bash
# Test command: builds the 64-bit test build and runs every test under Wine in
# a private virtual display and Wine prefix. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/bootstrap.sh

# The shipped 32-bit build must keep compiling and linking too.
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64

exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash scripts/run-tests-under-display.sh "$@"
