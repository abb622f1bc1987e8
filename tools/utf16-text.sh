#!/usr/bin/env sh
# Writes a UTF-8 text file as UTF-16LE with a byte-order mark and CR LF line
# ends, the form of the program's INI files.
set -eu
src=${1:?source}; out=${2:?output}
mkdir -p "$(dirname "$out")"
{ printf '\377\376'; sed 's/\r*$/\r/' "$src" | iconv -f UTF-8 -t UTF-16LE; } > "$out.tmp"
mv "$out.tmp" "$out"
