#!/usr/bin/env bash
# Fuzzes the command parser and the receive framing natively with libFuzzer
# for a while (default 60 s). Not part of the test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  [ "$(id -u)" -eq 0 ] || { echo "fuzz: needs clang and libclang-rt-dev; run as root to install them" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi
out=$root/build/fuzz
mkdir -p "$out/corpus"
# The exports header is for Windows hosts; its __declspec means nothing here.
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  '-D__declspec(x)=' -I"$root/remote_link" "$root/tests/fuzz/parser_fuzz.cpp" \
  "$root/remote_link/command_parser.cpp" "$root/remote_link/recv_context.cpp" -o "$out/parser_fuzz"
for seed in "START_TEST 15+" "TIME_OUT 30+" "TEST_DONE PASS+" "AUTO_DOWNLOAD fw.bin+" "MKB_ERROR RESET_HUB" \
            "x START_TEST 5+" " \r\nSTART_TEST 5\r\n"; do
  printf '%s' "$seed" >"$out/corpus/$(printf '%s' "$seed" | md5sum | cut -c1-12)"
done
"$out/parser_fuzz" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
