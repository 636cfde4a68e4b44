#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's test environment:
# the private prefix of the build tree, code page 936, no Wine chatter.
# The caller (scripts/test.sh or scripts/run.sh) provides DISPLAY.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${WINEPREFIX:=$here/../build/wineprefix}"
export WINEPREFIX
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=,winemenubuilder.exe=d}"
if [ -z "${DISPLAY:-}" ]; then
    echo "wine-exec: no X display; run through scripts/test.sh or scripts/run.sh" >&2
    exit 125
fi
exec wine "$@"
