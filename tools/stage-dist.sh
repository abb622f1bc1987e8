#!/usr/bin/env bash
# Stages the program folder of one architecture from a build folder.
set -euo pipefail
build=${1:?build folder}; out=${2:?dist folder}
rm -rf "$out"; mkdir -p "$out"
for f in Vantrel.exe VnHook.dll VnAdmin.exe Setup.exe; do
  [ -f "$build/$f" ] && cp "$build/$f" "$out/"
done
for d in Languages Skins Plugins; do
  [ -d "$build/$d" ] && cp -r "$build/$d" "$out/"
done
# The language choice falls back to English.dll; it ships with its index.
for f in Languages/English.dll Languages/Language.ini; do
  [ -f "$out/$f" ] || { echo "stage-dist: $f missing in $build" >&2; exit 1; }
done
echo "stage-dist: $out"; ls "$out"
