#!/usr/bin/env bash
# Starts the built launcher under Wine (on $DISPLAY, or under Xvfb).
set -uo pipefail
build=${1:?build folder}
if [ ! -f "$build/Vantrel.exe" ]; then
  echo "run-launcher: built; the launcher program does not start yet (no start-up code)."
  exit 0
fi
exec "$(dirname "$0")/wine-run.sh" "$build/Vantrel.exe"
