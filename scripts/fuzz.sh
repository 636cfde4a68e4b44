#!/usr/bin/env bash
# Fuzzes the engine's own byte parsers natively: each target of tests/fuzz/
# built for 32-bit x86 with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (any finding ends the run with its input saved
# under build/fuzz/findings), seeded from the test pictures (the fuzz
# corpus maker's seeds, written once under Wine) and what earlier runs
# found, then run for the given time each.
#
#   bash scripts/fuzz.sh [seconds (60)] [target ...]   default: every target
#   bash scripts/fuzz.sh --build                        build only
#   bash scripts/fuzz.sh --seeds                        write the seeds only
#
# Prints each target's executions and time; the exit status is 0 only when
# every target ran its time without a finding.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SECONDS_EACH=60
MODE=run
if [ "${1:-}" = "--build" ] || [ "${1:-}" = "--seeds" ]; then
    MODE=${1#--}
    shift
elif [ $# -gt 0 ]; then
    SECONDS_EACH=$1
    shift
fi
FUZZ_SRC="$ROOT/tests/fuzz"
OUT="$BUILD/fuzz"
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    for f in "$FUZZ_SRC"/fuzz_*.cpp; do TARGETS+=("$(basename "$f" .cpp)"); done
fi
mkdir -p "$OUT/bin" "$OUT/findings"

CXXFLAGS=(-m32 -std=c++20 -g -O1 -fno-omit-frame-pointer
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    -I"$FUZZ_SRC/shim" -I"$ROOT/engine/include" -I"$ROOT/engine/src")

# The sources each target is made of (the GIF target also the engine's frame
# reader and the native stand-in for its canvas).
sources_of() {
    local name=$1
    echo "$FUZZ_SRC/$name.cpp"
    [ "$name" = fuzz_gif_frames ] && echo "$ROOT/engine/src/decoders/gif_frames.cpp" "$FUZZ_SRC/canvas_native.cpp"
}

build_target() {
    local name=$1 bin="$OUT/bin/$1" src newer=0
    # shellcheck disable=SC2046
    for src in $(sources_of "$name") "$ROOT"/engine/include/picture/*.h "$ROOT"/engine/src/decoders/animation.h "$ROOT"/engine/src/decoders/gif_decode.h \
        "$ROOT"/engine/src/core/canvas.h "$FUZZ_SRC"/shim/*.h; do
        [ "$src" -nt "$bin" ] && newer=1
    done
    [ -x "$bin" ] && [ $newer = 0 ] && return 0
    say "building $name"
    # shellcheck disable=SC2046
    clang++ "${CXXFLAGS[@]}" $(sources_of "$name") -o "$bin"
}

# The seeds: the corpus maker's well-formed pictures of every format.
make_seeds() {
    # Written again when the corpus maker changed (new kinds of seed).
    [ -n "$(ls -A "$OUT/seeds" 2>/dev/null)" ] && [ ! "$BUILD/bin/fuzz_seeds.exe" -nt "$OUT/seeds" ] && return 0
    [ -f "$BUILD/bin/fuzz_seeds.exe" ] || die "build the project first (fuzz_seeds.exe writes the seeds)"
    rm -rf "$OUT/seeds"
    mkdir -p "$OUT/seeds"
    if [ -z "${DISPLAY:-}" ]; then
        vela_start_xvfb
        trap '[ -n "$XVFB_PID" ] && kill "$XVFB_PID"' EXIT
    fi
    vela_prefix
    "$ROOT/scripts/wine-exec.sh" "$BUILD/bin/fuzz_seeds.exe" "$(winepath -w "$OUT/seeds")" >/dev/null \
        || die "fuzz_seeds.exe failed"
}

status=0
if [ "$MODE" = seeds ]; then
    make_seeds
    exit 0
fi
for name in "${TARGETS[@]}"; do
    build_target "$name" || die "could not build $name"
done
[ "$MODE" = build ] && exit 0
make_seeds
for name in "${TARGETS[@]}"; do
    mkdir -p "$OUT/corpus/$name"
    log="$OUT/$name.log"
    start=$(date +%s.%N)
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$OUT/bin/$name" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$OUT/findings/$name-" "$OUT/corpus/$name" "$OUT/seeds" >"$log" 2>&1
    rc=$?
    end=$(date +%s.%N)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    printf '[vela] %-22s %12s executions in %6.1f s%s\n' "$name" "${runs:-?}" "$(echo "$end - $start" | bc)" \
        "$([ $rc = 0 ] || echo "  FAILED (see $log)")"
    [ $rc = 0 ] || status=1
done
exit $status
