#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the viewer under Wine.
# With no argument it opens the bundled sample picture; a path is passed through.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
vela_setup
vela_build
if [ -z "${DISPLAY:-}" ]; then
    say "no X display: starting a private Xvfb (set DISPLAY to see the window)"
    trap vela_stop EXIT
    vela_start_xvfb
fi
vela_prefix
if [ $# -eq 0 ]; then
    set -- "$BUILD/bin/sample/sample.png"
fi
arg="$1"
# A Unix path becomes a Windows path on drive Z:.
if [ -e "$arg" ]; then
    arg="Z:$(realpath "$arg" | sed 's#/#\\#g')"
fi
say "starting VelaViewer.exe $arg"
cd "$BUILD/bin" && wine ./VelaViewer.exe "$arg"
