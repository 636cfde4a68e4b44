#!/usr/bin/env bash
# Starts the viewer under a private Xvfb with the sample picture (or $1) and
# saves screenshots of the normal window, a button under the mouse, a button
# pressed, the maximized window and the association window into
# build/screenshots/ (or $2).
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
PICTURE=${1:-$BUILD/bin/sample/sample.png}
OUT=${2:-$BUILD/screenshots}
vela_setup
vela_build
trap vela_stop EXIT
vela_start_xvfb
vela_prefix
mkdir -p "$OUT"
cd "$BUILD/bin" || die "no build"
wine ./viewer_screenshots.exe "$(winepath -w "$(realpath "$PICTURE")")" "$(winepath -w "$(realpath "$OUT")")" \
    || die "screenshots failed"
say "screenshots in $OUT"
