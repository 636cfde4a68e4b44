#!/usr/bin/env bash
# Takes screenshots of the skinned main window (normal, a button under the
# mouse, a button pressed, maximized) and of the association window's layout
# on a private 1920x1080 Xvfb display, into build/screenshots/ (or $1).
# Each main-window state gives NAME-composed.png (the engine's frame over a
# striped ground, as a compositing desktop shows the translucency) and
# NAME-screen.png (what the X screen holds; without a compositor X shows the
# premultiplied pixels over black).
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
OUT=${1:-$BUILD/screenshots}
vela_setup
vela_build
trap vela_stop EXIT
vela_start_xvfb
vela_prefix
mkdir -p "$OUT"
cd "$BUILD/bin" || die "no build"
VELA_SCREENSHOTS="$(winepath -w "$OUT")" wine ./engine_screens_test.exe || die "screenshot run failed"
ls -l "$OUT"
