#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's test environment:
# the private prefix of the build tree, code page 936, no Wine chatter.
# VELA_LOCALE names another Unix locale to start it under: Wine takes the
# process's ANSI code page from it (en_US.UTF-8 gives 1252).
# The caller (scripts/test.sh or scripts/run.sh) provides DISPLAY.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${WINEPREFIX:=$here/../build/wineprefix}"
export WINEPREFIX
export LANG="${VELA_LOCALE:-zh_CN.UTF-8}" LC_ALL="${VELA_LOCALE:-zh_CN.UTF-8}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=,winemenubuilder.exe=d}"
if [ -z "${DISPLAY:-}" ]; then
    echo "wine-exec: no X display; run through scripts/test.sh or scripts/run.sh" >&2
    exit 125
fi
exec wine "$@"
