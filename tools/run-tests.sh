#!/usr/bin/env bash
# Runs the x86-64 test suites of a build folder through ctest under Xvfb.
set -uo pipefail
build=${1:?build folder}
root=$(cd "$(dirname "$0")/.." && pwd)
export VANTREL_WINEPREFIX=${VANTREL_WINEPREFIX:-$root/build/wineprefix}
shift
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
rc=$?
WINEPREFIX=$VANTREL_WINEPREFIX wineserver -k 2>/dev/null
for p in "$VANTREL_WINEPREFIX".*/; do   # suites with prefixes of their own
  [ -d "$p/drive_c" ] && WINEPREFIX=${p%/} wineserver -k 2>/dev/null
done
exit $rc
