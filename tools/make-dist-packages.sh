#!/usr/bin/env bash
# Packs each staged program folder behind the package program of its
# processor: extracted into the temporary folder, Setup.exe run, then removed.
set -euo pipefail
build=${1:?build folder}; dist=${2:?dist folder}
here=$(cd "$(dirname "$0")" && pwd)
for pair in x64:mobral64W x86:mobralW; do
  arch=${pair%%:*}; name=${pair##*:}
  [ -f "$dist/$arch/Setup.exe" ] || { echo "make-dist-packages: $dist/$arch/Setup.exe missing" >&2; exit 1; }
  rm -f "$dist/$arch.zip"
  (cd "$dist/$arch" && zip -q -r -X "$dist/$arch.zip" .)
  python3 "$here/make-package.py" "$build/$arch/$name.exe" "$dist/$arch.zip" "$dist/$name.exe" \
    --destination '%temp%' --command setup.exe --delete --skip-confirmation --overwrite
  rm -f "$dist/$arch.zip"
  python3 "$here/make-package.py" --check "$dist/$name.exe"
done
