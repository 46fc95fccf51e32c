#!/usr/bin/env bash
# Main job: builds the 32-bit release deliverables and the tools into dist/,
# the 64-bit build of the same into dist/x64/, then plays the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/bootstrap.sh

shipped=(Quorlin helper controller sample_host)

cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
# The deliverables and the demo's programs only; the tests build in test.sh.
cmake --build --preset win64 --target "${shipped[@]}" demo_events

collect() { # build-dir dist-dir
  mkdir -p "$2"
  cp "$1/bin/Quorlin.dll" "$1/lib/libQuorlin.dll.a" "$2/"
  cp "$1/bin/helper.exe" "$1/bin/controller.exe" "$1/bin/sample_host.exe" "$2/"
}
rm -rf dist
collect build/win32 dist
collect build/win64 dist/x64
cp remote_link/exports/quorlin.h dist/
echo "dist/ (32-bit, the shipped build) and dist/x64/ (64-bit):"
ls -l dist dist/x64

bash scripts/demo.sh
