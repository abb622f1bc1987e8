#!/usr/bin/env bash
# Starts the built launcher under Wine with any switches given after the
# build folder: on $DISPLAY when there is one; otherwise under Xvfb, where a
# screenshot is saved after a few seconds (its path is printed) and the
# launcher is closed again. Without switches the launcher shows itself at
# the mouse (/m), so that there is a window to look at.
#
# With VANTREL_SKIN set (make run SKIN=...) that skin is first selected in
# the data folder the launcher will use, as the options page selects it
# (vnsettings skin): '\Basalt' for the folder Skins\Basalt\, 'Basalt.zip' (or
# 'Basalt') for the archive; empty for the classic look. When that folder
# holds no settings yet, the launcher is started once to make them.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
under_xvfb=0
if [ "${1:-}" = --under-xvfb ]; then under_xvfb=1; shift; fi
build=${1:?build folder}; shift
[ $# -gt 0 ] || set -- /m
build=$(cd "$build" 2>/dev/null && pwd) || { echo "run-launcher: no build folder" >&2; exit 1; }
exe=$build/Vantrel.exe
[ -f "$exe" ] || { echo "run-launcher: $exe is not built" >&2; exit 1; }
prefix=${VANTREL_WINEPREFIX:-$here/../build/wineprefix}
export VANTREL_WINEPREFIX=$prefix
shot=${VANTREL_SCREENSHOT:-$build/launcher-screenshot.png}

# Politely (WM_CLOSE: the launcher saves and ends), then by force; $1 is the
# process of wine-run.sh.
close_launcher() {
  WINEPREFIX=$prefix WINEDEBUG=-all wine taskkill /im Vantrel.exe >/dev/null 2>&1
  for _ in $(seq 20); do kill -0 "$1" 2>/dev/null || break; sleep 0.5; done
  kill -0 "$1" 2>/dev/null && WINEPREFIX=$prefix wineserver -k
  wait "$1"
}

# The folder whose Vantrel.ini the launcher reads, in the order it searches:
# Data\ and Data\<user>\ beside the program, then the common and the user's
# AppData\Vantrel\ of the prefix. Empty when there is none yet.
data_folder() {
  local user=$1 d
  for d in "$build/Data" "$build/Data/$user" "$prefix/drive_c/ProgramData/Vantrel" \
           "$prefix/drive_c/users/$user/AppData/Roaming/Vantrel"; do
    [ -f "$d/Vantrel.ini" ] && { echo "$d"; return; }
  done
}

# A skin name that names nothing in Skins\ would only bring the classic look.
check_skin() {
  local name=$VANTREL_SKIN
  [ -n "$name" ] || return 0
  if [ "${name:0:1}" = '\' ]; then
    [ -f "$build/Skins/${name:1}/skin.xml" ] && return 0
    echo "run-launcher: no skin folder $build/Skins/${name:1}" >&2
  elif [ -f "$build/Skins/$name" ] || [ -f "$build/Skins/$name.zip" ]; then
    return 0
  else
    echo "run-launcher: no skin $name in $build/Skins (a folder skin is named '\\$name')" >&2
  fi
  return 1
}

set_skin() {
  local name=$VANTREL_SKIN user=${USER:-$(id -un)} folder
  folder=$(data_folder "$user")
  if [ -z "$folder" ]; then
    # A first start writes the settings and the design at once; it is
    # closed before the selection, or its exit would write over it.
    "$here/wine-run.sh" "$exe" &
    local runner=$! waited=0
    until folder=$(data_folder "$user"); [ -n "$folder" ] && [ -f "$folder/Design.ini" ]; do
      sleep 0.5; waited=$((waited + 1))
      if [ $waited -gt 60 ] || ! kill -0 $runner 2>/dev/null; then
        echo "run-launcher: the launcher wrote no settings" >&2
        close_launcher $runner
        return 1
      fi
    done
    sleep 1
    close_launcher $runner
  fi
  # Selected as the options page selects it: the skin's design file, or on
  # a first selection its own fonts and colours, then Design.ini written.
  local tool=$build/vnsettings.exe
  [ -f "$tool" ] || { echo "run-launcher: $tool is not built" >&2; return 1; }
  "$here/wine-run.sh" "$tool" "Z:${folder//\//\\}" skin "$name" | sed 's/\r$//; s/^/run-launcher: /'
  [ "${PIPESTATUS[0]}" = 0 ]
}

if [ -n "${VANTREL_SKIN+set}" ]; then
  check_skin || exit 1
fi
if [ $under_xvfb = 0 ] && [ -z "${DISPLAY:-}" ]; then
  VANTREL_SCREENSHOT=$shot xvfb-run -a -s "-screen 0 1280x1024x24" "$here/run-launcher.sh" --under-xvfb "$build" "$@"
  rc=$?
  echo "run-launcher: screenshot saved to $shot"
  exit $rc
fi
if [ -n "${VANTREL_SKIN+set}" ]; then
  set_skin || exit 1
fi
[ $under_xvfb = 1 ] || exec "$here/wine-run.sh" "$exe" "$@"

"$here/wine-run.sh" "$exe" "$@" &
runner=$!
sleep "${VANTREL_SHOT_DELAY:-5}"
/usr/bin/import -window root "$shot" 2>/dev/null || xwd -root | /usr/bin/convert xwd:- "$shot"
close_launcher $runner
