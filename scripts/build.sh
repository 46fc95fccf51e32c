#!/usr/bin/env bash
# Main job: builds the 32-bit release deliverables into dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/bootstrap.sh

cmake --preset win32 >/dev/null
cmake --build --preset win32

rm -rf dist
mkdir -p dist
cp build/win32/bin/Quorlin.dll dist/
cp build/win32/lib/libQuorlin.dll.a dist/
cp remote_link/exports/quorlin.h dist/
if [ -f build/win32/bin/helper.exe ]; then cp build/win32/bin/helper.exe dist/; fi
echo "dist/:"
ls -l dist
