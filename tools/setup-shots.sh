#!/usr/bin/env bash
# Runs the installer's end-to-end test under Xvfb and takes a picture of the
# screen whenever it asks for one (a NAME.request file in the shots folder).
set -u
build=${1:?build folder}; shots=${2:?folder for the pictures}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$shots"; rm -f "$shots"/*.request
export VANTREL_WINEPREFIX=${VANTREL_WINEPREFIX:-$root/build/wineprefix}.setup
export VN_SETUP_SHOTS="Z:$(cd "$shots" && pwd)" WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" "$1/setup_e2e_tests.exe" & test=$!
  while kill -0 $test 2>/dev/null; do
    for r in "$2"/*.request; do
      [ -e "$r" ] || continue
      import -window root "${r%.request}"; rm -f "$r"
    done
    sleep 0.2
  done
  wait $test' "$root/tools/wine-run.sh" "$build" "$shots"
rc=$?
WINEPREFIX=$VANTREL_WINEPREFIX wineserver -k 2>/dev/null
exit $rc
