#!/usr/bin/env bash
# Runs one Windows program under the test run's private Wine prefix (ctest's
# emulator). The prefix is made once per run; a persistent wineserver is
# started with stdio detached so ctest never waits for its linger.
set -u
prefix=${VANTREL_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
export WINEPREFIX=$prefix WINEDEBUG=-all
# A crash must fail the test (winedbg off); no Gecko/Mono install prompts.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
# Tests must never see the real user's files.
export HOME=${VANTREL_TEST_HOME:-$prefix.home}
mkdir -p "$HOME"
arch=$(uname -m)
# Nothing started here may keep the prefix lock (fd 9): a persistent
# wineserver or Wine service holding it would block every later run.
wine_() { setarch "$arch" -R wine "$@" 9>&-; }

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.vantrel-ready" ]; then
    wine_ wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    # GDI+ needs real fonts in the prefix to draw text.
    mkdir -p "$prefix/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null
    touch "$prefix/.vantrel-ready"
  fi
  wineserver -p </dev/null >/dev/null 2>&1 9>&-
  if [ ! -f "$prefix/.vantrel-win10" ]; then
    # Report Windows 10 like the systems the launcher targets; the programs'
    # manifests then decide what each one sees.
    wine_ reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f </dev/null >/dev/null 2>&1 &&
      touch "$prefix/.vantrel-win10"
  fi
  wine_ cmd /c exit </dev/null >/dev/null 2>&1
) 9>"$prefix.lock"

exe=$1; shift
case $exe in *.exe|*.EXE) ;; *) [ -f "$exe.exe" ] && exe=$exe.exe ;; esac
wine_ "$exe" "$@" | cat
exit "${PIPESTATUS[0]}"
