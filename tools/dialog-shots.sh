#!/usr/bin/env bash
# Pictures of every dialog and options page at 96 and 144 DPI, as PNG:
#   tools/dialog-shots.sh [build dir] [out folder]
# dialog_shots.exe opens each one and leaves a request (<name>.req with the
# window's rectangle); this script takes the picture from the X screen.
# Uses a Wine prefix of its own, since the DPI is a setting of the prefix.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
out=${2:-$build/dialog-shots}
export VANTREL_WINEPREFIX=${VANTREL_SHOTS_PREFIX:-$root/build/shots-prefix}
shoot() {  # dir: serve requests until the tool ends
  local dir=$1
  "$root/tools/wine-run.sh" "$build/dialog_shots.exe" "Z:${dir//\//\\}" &
  local tool=$!
  while kill -0 $tool 2>/dev/null; do
    for req in "$dir"/*.req; do
      [ -f "$req" ] || continue
      xwd -root -silent | /usr/bin/convert xwd:- -crop "$(cat "$req")" +repage "${req%.req}.png"
      rm -f "$req"
    done
    sleep 0.1
  done
  wait $tool
}
if [ "${3:-}" = --shoot ]; then
  shoot "$out"
  exit
fi
mkdir -p "$out"
for dpi in 96 144; do
  dir=$out/$dpi
  rm -rf "$dir"
  mkdir -p "$dir"
  "$root/tools/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
  WINEPREFIX=$VANTREL_WINEPREFIX wineserver -k || true
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$dir" --shoot
done
echo "$out"
