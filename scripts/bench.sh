#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine on a private 1920x1080 Xvfb
# display; each prints its figures. Pass names to run only some of them.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
vela_setup
vela_build
trap vela_stop EXIT
vela_start_xvfb
vela_prefix
cd "$BUILD/bin" || die "no build"
status=0
for exe in *_bench.exe; do
    [ -e "$exe" ] || continue
    name=${exe%.exe}
    if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
    say "running $name"
    if [ "$name" = webp_bench ]; then
        # Beside Debian's dwebp on the same file.
        bash "$ROOT/bench/webp_compare.sh" "$BUILD/bench-webp-4000x3000.webp" || status=1
        continue
    fi
    if [ "$name" = heif_bench ]; then
        # Beside Debian's libheif on the same files.
        bash "$ROOT/bench/heif_compare.sh" "$BUILD" || status=1
        continue
    fi
    if [ "$name" = jxl_bench ]; then
        # Beside Debian's libjxl on the same file.
        bash "$ROOT/bench/jxl_compare.sh" "$BUILD/bench-jxl-4000x3000.jxl" || status=1
        continue
    fi
    wine "./$exe" || status=1
done
exit $status
