#!/usr/bin/env bash
# Starts the built launcher under Wine with any switches given after the
# build folder: on $DISPLAY when there is one; otherwise under Xvfb, where a
# screenshot is saved after a few seconds (its path is printed) and the
# launcher is closed again. Without switches the launcher shows itself at
# the mouse (/m), so that there is a window to look at.
set -uo pipefail
build=${1:?build folder}; shift
[ $# -gt 0 ] || set -- /m
here=$(cd "$(dirname "$0")" && pwd)
exe=$build/Vantrel.exe
[ -f "$exe" ] || { echo "run-launcher: $exe is not built" >&2; exit 1; }
if [ -n "${DISPLAY:-}" ]; then
  exec "$here/wine-run.sh" "$exe" "$@"
fi
shot=${VANTREL_SCREENSHOT:-$build/launcher-screenshot.png}
prefix=${VANTREL_WINEPREFIX:-$here/../build/wineprefix}
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  here=$1 exe=$2 shot=$3 prefix=$4; shift 4
  "$here/wine-run.sh" "$exe" "$@" &
  runner=$!
  sleep "${VANTREL_SHOT_DELAY:-5}"
  /usr/bin/import -window root "$shot" 2>/dev/null || xwd -root | /usr/bin/convert xwd:- "$shot"
  # A polite close first (WM_CLOSE: the launcher saves and ends), then force.
  WINEPREFIX=$prefix WINEDEBUG=-all wine taskkill /im Vantrel.exe >/dev/null 2>&1
  for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 $runner 2>/dev/null || break; sleep 0.5; done
  kill -0 $runner 2>/dev/null && WINEPREFIX=$prefix wineserver -k
  wait $runner
' run-launcher "$here" "$exe" "$shot" "$prefix" "$@"
rc=$?
echo "run-launcher: screenshot saved to $shot"
exit $rc
