#!/usr/bin/env bash
# Package reader benchmark: makes a 200 MB deflate, Deflate64 and AES-256
# deflate archive of the same text-like data (once, cached), then times
# package_bench.exe under Wine and, natively, Info-ZIP unzip -p and 7-Zip
# x -so on the same archives (best of three each, output discarded).
#   tools/package-bench.sh [build folder]   (default build/x64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x64}
work=$build/bench-package
password=Bench-Pass-28
mkdir -p "$work"
cd "$work"
if [ ! -f data.bin ]; then
  python3 - <<'PY'
import random
rng = random.Random(200)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(5000)]
with open("data.bin", "wb") as f:
    left = 200_000_000
    while left > 0:
        chunk = b" ".join(rng.choice(words) for _ in range(200000))[:left]
        f.write(chunk)
        left -= len(chunk)
PY
fi
[ -f deflate.zip ] || zip -q -X deflate.zip data.bin
[ -f deflate64.zip ] || 7zz a -tzip -bd -mm=Deflate64 -mx=5 deflate64.zip data.bin >/dev/null
[ -f aes256.zip ] || 7zz a -tzip -bd -mm=Deflate -mx=5 -mem=AES256 "-p$password" aes256.zip data.bin >/dev/null

best() {  # best wall time in ms of three runs of the command
  local b=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null
    e=$(date +%s%N)
    local t=$(( (e - s) / 1000000 ))
    if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}
size=$(stat -c %s data.bin)
native() {
  local label=$1; shift
  local ms
  ms=$(best "$@")
  awk -v l="$label" -v s="$size" -v m="$ms" 'BEGIN { printf "%-28s %8.1f MB in %8.1f ms  %7.1f MB/s\n", l, s/1e6, m, s/1e3/m }'
}
echo "package reader (Wine):"
"$root/tools/wine-run.sh" "$build/package_bench.exe" "Z:$work/deflate.zip" - "Z:$work/deflate64.zip" - \
  "Z:$work/aes256.zip" "$password" | tr -d '\r'
echo "native:"
native "unzip -p deflate.zip" unzip -p deflate.zip
native "7zz x -so deflate64.zip" 7zz x -so deflate64.zip
native "7zz x -so aes256.zip" 7zz x -so "-p$password" aes256.zip
