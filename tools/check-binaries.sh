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
[ $fail -eq 0 ] && echo "check-binaries: $n $arch binaries import only system DLLs"
exit $fail
