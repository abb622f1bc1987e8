#!/usr/bin/env bash
# Checks that every built program and library imports only Windows system DLLs
# (a fully static build), and prints what each one imports.
set -uo pipefail
build=${1:?build folder}; arch=${2:?x64|x86}
if [ "$arch" = x64 ]; then od=x86_64-w64-mingw32-objdump; else od=i686-w64-mingw32-objdump; fi
system='^(kernel32|user32|gdi32|gdiplus|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|version|netapi32|imm32|psapi|userenv|msimg32|powrprof|msvcrt|ws2_32|uxtheme|dwmapi|shcore|winmm|crypt32|bcrypt|secur32|rpcrt4|setupapi|wtsapi32|ntdll|api-ms-win-.*)\.dll$'
fail=0; n=0
while IFS= read -r f; do
  n=$((n+1))
  bad=$($od -p "$f" | awk '/DLL Name:/{print tolower($3)}' | grep -Ev "$system")
  if [ -n "$bad" ]; then echo "check-binaries: $f imports non-system DLLs: $bad"; fail=1; fi
done < <(find "$build" -maxdepth 2 \( -name '*.exe' -o -name '*.dll' \) -not -path '*/CMakeFiles/*')
[ $n -gt 0 ] || { echo "check-binaries: nothing built in $build"; exit 1; }

# VnHook.dll: exactly the ten exports, undecorated on both arches, no COM
# import, and one shared section that every process mapping the library sees.
hook=$build/VnHook.dll
want='_VnCheckMouseCircle _VnCheckPtOnEdge _VnClearAdminReq _VnGetAdminReq _VnGetDllVersion _VnIsExplorerWindow _VnOperateKeyboardHook _VnOperateMouseHook _VnSetAdminReq _VnSetDllData'
if [ ! -f "$hook" ]; then
  echo "check-binaries: $hook missing"; fail=1
else
  got=$($od -p "$hook" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/{print $3}' | sort | xargs)
  if [ "$got" != "$want" ]; then
    echo "check-binaries: $hook exports '$got', expected '$want'"; fail=1
  fi
  # It is mapped into every program that receives input: COM must not come
  # with it (it loads ole32 itself when a click needs UI Automation).
  com=$($od -p "$hook" | awk '/DLL Name:/{print tolower($3)}' | grep -E '^(ole32|oleaut32)\.dll$' | xargs)
  if [ -n "$com" ]; then
    echo "check-binaries: $hook imports $com"; fail=1
  fi
  flags=$($od -h "$hook" | awk '$2==".vnshared"{getline; print}')
  case "$flags" in
    *SHARED*DATA*|*DATA*SHARED*) ;;
    *) echo "check-binaries: $hook has no shared .vnshared data section ($flags)"; fail=1 ;;
  esac
  [ $fail -eq 0 ] && echo "check-binaries: $hook exports the ten entry points, imports no COM, .vnshared is shared"
fi
# VnAdmin.exe: starts elevated (requireAdministrator in its embedded
# manifest) with the launcher's Windows 10, DPI and common-controls entries,
# version 4.2.2.0; the launcher itself never asks for elevation.
res="$(dirname "$0")/pe-resource.py"
admin=$build/VnAdmin.exe
if [ ! -f "$admin" ]; then
  echo "check-binaries: $admin missing"; fail=1
else
  am=$(python3 "$res" "$admin" 24 1) || { echo "check-binaries: $admin has no manifest"; fail=1; }
  lm=$(python3 "$res" "$build/Vantrel.exe" 24 1) || { echo "check-binaries: Vantrel.exe has no manifest"; fail=1; }
  grep -q 'requestedExecutionLevel level="requireAdministrator"' <<<"$am" ||
    { echo "check-binaries: $admin does not request requireAdministrator"; fail=1; }
  if grep -q 'requireAdministrator\|highestAvailable' <<<"$lm"; then
    echo "check-binaries: Vantrel.exe asks for elevation"; fail=1
  fi
  for entry in 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' 'dpiAware xmlns' 'dpiAwareness xmlns' \
               'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    a=$(grep -F "$entry" <<<"$am" | xargs); l=$(grep -F "$entry" <<<"$lm" | xargs)
    if [ -z "$a" ] || [ "$a" != "$l" ]; then echo "check-binaries: $admin manifest differs from the launcher's at: $entry"; fail=1; fi
  done
  ver=$(python3 "$res" "$admin" 16 | python3 -c '
import struct, sys
d = sys.stdin.buffer.read(); i = d.find(struct.pack("<I", 0xFEEF04BD))
if i < 0: sys.exit(1)
ms, ls = struct.unpack_from("<II", d, i + 8)
print("%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))') || ver=none
  [ "$ver" = 4.2.2.0 ] || { echo "check-binaries: $admin has version $ver, not 4.2.2.0"; fail=1; }
  [ $fail -eq 0 ] && echo "check-binaries: $admin requests requireAdministrator, manifest entries as the launcher's, version $ver"
fi
# The sample plug-in, built from the public plug-in header alone: its one
# export is the plain name the launcher asks for (no stdcall "@12" on x86).
sample=$build/fixtures/plugins/Sample_good.dll
if [ -f "$sample" ]; then
  got=$($od -p "$sample" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/{print $3}' | xargs)
  if [ "$got" != VnPluginEventHandler ]; then
    echo "check-binaries: $sample exports '$got', expected 'VnPluginEventHandler'"; fail=1
  else
    echo "check-binaries: $sample exports VnPluginEventHandler undecorated"
  fi
fi
[ $fail -eq 0 ] && echo "check-binaries: $n $arch binaries import only system DLLs"
exit $fail
