#!/usr/bin/env bash
# Unpacks the release zip into a fresh folder and runs the package test
# program against it under Wine: a zip that misses a file fails here.
# Usage: run_in_package.sh ZIP FOLDER TEST_PROGRAM [test arguments]
set -u
zip=$1 folder=$2 program=$3
shift 3
[ -f "$zip" ] || { echo "no package at $zip (cmake --build build --target package)" >&2; exit 1; }
rm -rf "$folder" && mkdir -p "$folder" || exit 1
(cd "$folder" && cmake -E tar xf "$zip") || exit 1
top=$(find "$folder" -mindepth 1 -maxdepth 1 -type d | head -n 1)
[ -n "$top" ] || { echo "the package holds no folder" >&2; exit 1; }
export VELA_PACKAGE_FOLDER="Z:${top//\//\\}"
exec "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-exec.sh" "$program" "$@"
