#!/usr/bin/env bash
# Starts the viewer under a private Xvfb with the sample picture (or $1) and
# saves screenshots of the normal window, a button under the mouse, a button
# pressed, the maximized window and the association window into
# build/screenshots/ (or $2). Xvfb has no compositor, so the screen shows the
# translucent backdrop over black; the engine's own frames of the same states,
# laid over a striped ground as a compositing desktop would show them, are
# saved beside them in engine/; then the window over a white, a black and a
# busy picture at 100 % and 150 % display scaling (over-*.png). With a third
# argument, a folder of earlier screenshots, it then lists what differs from
# them (scripts/compare_pictures.py; exit status 1 when anything differs).
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# Relative paths count from where the command was run, not from the build
# folder the shots are taken in.
PICTURE=$(realpath -m "${1:-$BUILD/bin/sample/sample.png}")
OUT=$(realpath -m "${2:-$BUILD/screenshots}")
BEFORE=${3:+$(realpath -m "$3")}
[ -z "$BEFORE" ] || [ -d "$BEFORE" ] || die "no screenshots in $BEFORE"
vela_setup
vela_build
trap vela_stop EXIT
vela_start_xvfb
vela_prefix
mkdir -p "$OUT"
cd "$BUILD/bin" || die "no build"
wine ./viewer_screenshots.exe "$(winepath -w "$(realpath "$PICTURE")")" "$(winepath -w "$(realpath "$OUT")")" \
    || die "screenshots failed"
mkdir -p "$OUT/engine"
wine ./engine_screens.exe "$(winepath -w "$(realpath "$OUT/engine")")" \
    || die "engine frame screenshots failed"
# The chrome over white, black and busy pictures at 100 % and 150 % display
# scaling (the latter in a prefix copy set to 144 dpi).
out_w="$(winepath -w "$(realpath "$OUT")")"
wine ./viewer_screenshots.exe --over "$out_w" 100 || die "screenshots over pictures failed"
bash "$ROOT/scripts/wine-dpi.sh" 144 ./viewer_screenshots.exe --over "$out_w" 150 \
    || die "screenshots at 150 % failed"
say "screenshots in $OUT"
if [ -n "$BEFORE" ]; then
    say "compared with $BEFORE"
    python3 "$ROOT/scripts/compare_pictures.py" "$BEFORE" "$OUT" --boxes 12
    exit $?
fi
