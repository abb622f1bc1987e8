#!/usr/bin/env bash
# Package program benchmark: the real package extracting its payload into a
# fresh folder with no command (archive mode on its own file: /H /N /O),
# under Wine, next to Info-ZIP unzip of the same package natively; median of
# five runs each. Also checks the extracted tree against the staged folder.
#   tools/sfx-bench.sh [package] [staged folder]   (default dist/mobral64W.exe dist/x64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pkg=$(realpath "${1:-$root/dist/mobral64W.exe}")
staged=$(realpath "${2:-$root/dist/x64}")
work=$root/build/x64/bench-sfx
mkdir -p "$work"
win() { echo "Z:$1" | tr / '\\'; }

median() { sort -n | sed -n 3p; }
timed() {  # wall time in ms of the command
  local s e
  s=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  e=$(date +%s%N)
  echo $(( (e - s) / 1000000 ))
}
# Without a destination on the line the package extracts beside the archive
# it was given: a copy of itself in the fresh folder.
sfx_run() {
  rm -rf "$work/out"; mkdir -p "$work/out"; cp "$pkg" "$work/out/package.exe"
  timed "$root/tools/wine-run.sh" "$work/out/package.exe" /H /N /O "$(win "$work/out/package.exe")"
}
unzip_run() { rm -rf "$work/unz"; timed unzip -qq -o "$pkg" -d "$work/unz"; }

"$root/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true  # warm the prefix
sfx=$(for _ in 1 2 3 4 5; do sfx_run; done | median)
diff -r -x package.exe "$work/out" "$staged" >/dev/null && same=identical || same=DIFFERENT
uz=$(for _ in 1 2 3 4 5; do unzip_run; done | median)
echo "package (Wine): ${sfx} ms   unzip (native): ${uz} ms   ratio: $(awk "BEGIN{printf \"%.2f\", $sfx/$uz}")"
echo "extracted tree vs $staged: $same"
