#!/usr/bin/env bash
# Measures Vela side by side with its anchors on one private 1920x1080 Xvfb
# screen: a minimal serial GDI+ viewer under the same Wine (wview.exe), and the
# native Linux viewers feh and nsxiv. Round by round, every viewer in turn
# (the order rotating), it times from launch to the fitted 6000 x 4000 frame,
# from launch to the fitted phone photo (4032 x 3024 stored with EXIF
# orientation 6, shown upright; Vela, feh and nsxiv only: the minimal GDI+
# viewer does not turn pictures), from launch to the 640 x 480 frame, and from a key to the next 6000 x 4000
# picture of a folder (also in full screen, Vela and feh), Vela's launch to a fitted 12 MP HEIC against the same
# photo as JPEG, and reads each program's peak resident memory; then it
# prints the medians with their spread, each time both to the first change on
# the screen and to the last (the frame that stays), and the ratios of the
# frames that stay against the targets.
#
#   bash bench/compare/run.sh [-n ROUNDS]     (ROUNDS defaults to 5)
#
# Everything lands in build/compare/: the tools, the pictures, the Wine prefix
# (its own, apart from the tests'), results.txt with every raw figure.
# Not part of the test suite: the figures depend on the machine and its load.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../../scripts/common.sh"

ROUNDS=${COMPARE_ROUNDS:-5}
while [ $# -gt 0 ]; do
    case "$1" in
        -n) ROUNDS=${2:-}; shift 2 ;;
        -n*) ROUNDS=${1#-n}; shift ;;
        *) die "usage: bash bench/compare/run.sh [-n ROUNDS]" ;;
    esac
done
[[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"

OUT="$BUILD/compare"
TOOLS="$OUT/bin"
IMG="$OUT/img"
RESULTS="$OUT/results.txt"
# A few seconds are plenty for any of these programs; a minute means it hangs.
LIMIT_MS=60000
STEPS=3

KEEP_PID="" SERVER_PID="" FW_PID=""
stop_pid() {  # pid, seconds to wait before SIGKILL
    local pid=$1 i
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null
    for i in $(seq 1 $(($2 * 10))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}
# Wine's own helpers of this run (services, explorer, winedevice) are started
# by the wineserver, not by this script; they are found by the prefix only
# this script uses, and stopped by their pids.
prefix_pids() {
    local p
    for p in /proc/[0-9]*; do
        { tr '\0' '\n' <"$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null && echo "${p#/proc/}"
    done
}
cleanup() {
    stop_pid "$FW_PID" 5
    stop_pid "$KEEP_PID" 3
    if [ -n "$SERVER_PID" ]; then
        stop_pid "$SERVER_PID" 5
        local p
        for p in $(prefix_pids); do stop_pid "$p" 2; done
    fi
    stop_pid "$XVFB_PID" 3
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

vela_setup
bash "$HERE/setup.sh" || die "the comparison's set-up failed"
vela_build

say "building the screen timer, the GDI+ viewer and the warm-keeper"
mkdir -p "$TOOLS" || die "cannot create $TOOLS"
gcc -O2 -Wall -o "$TOOLS/framewatch" "$HERE/framewatch.c" -lX11 -lXtst -lm || die "framewatch did not build"
i686-w64-mingw32-g++ -O2 -static -mwindows -o "$TOOLS/wview.exe" "$HERE/wview.cpp" -lole32 -lgdi32 \
    || die "wview.exe did not build"
i686-w64-mingw32-g++ -O2 -static -mwindows -o "$TOOLS/keepwarm.exe" "$HERE/keepwarm.cpp" \
    || die "keepwarm.exe did not build"

say "making the pictures in $IMG (once; about three minutes)"
IMG="$IMG" bash "$HERE/make_pictures.sh" || die "the pictures could not be made"

export WINEPREFIX="$OUT/prefix"
vela_start_xvfb
vela_prefix
# The wineserver of this run, started here so that it is ours to stop.
wineserver -f -p >/dev/null 2>&1 &
pid=$!
sleep 0.5
kill -0 "$pid" 2>/dev/null || die "a wineserver for $WINEPREFIX is already running; stop it first"
SERVER_PID=$pid
wine "$TOOLS/keepwarm.exe" >/dev/null 2>&1 &
KEEP_PID=$!

winpath() { printf 'Z:%s' "${1//\//\\}"; }
FOLDER=("$IMG"/dir/p*.jpg)
WFOLDER=()
for f in "${FOLDER[@]}"; do WFOLDER+=("$(winpath "$f")"); done

# The probes: points inside the fitted picture of every viewer, so that a
# picture drawn at some other size or place does not count. A 6000 x 4000
# picture fitted into 1920 x 1080 covers x 150..1770 at least; the 640 x 480
# one is shown unscaled in the middle, x 640..1280, y 300..780.
BIG_PROBES=(-p 960,540 -p 420,280 -p 1500,280 -p 420,800 -p 1500,800)
SMALL_PROBES=(-p 960,540 -p 720,380 -p 1200,380 -p 720,700 -p 1200,700)
# The phone photo upright (3024 x 4032) fitted into 1080 rows, less Vela's
# bars and margin (about 950), covers x 604..1316, y 65..1015 at least.
PHONE_PROBES=(-p 960,540 -p 700,300 -p 1220,300 -p 700,780 -p 1220,780)

viewer_cmd() {  # viewer, what (big|small|folder|empty) -> the command in CMD
    local v=$1 w=$2 files=()
    case "$w" in
        big) files=("$IMG/big.jpg") ;;
        phone) files=("$IMG/phone.jpg") ;;
        photo) files=("$IMG/photo.jpg") ;;
        heic) files=("$IMG/photo.heic") ;;
        small) files=("$IMG/small.jpg") ;;
        folder | fullscreen) files=("${FOLDER[@]}") ;;
    esac
    case "$v" in
        vela)
            # Vela steps through the folder of the picture it was given.
            CMD=(wine "$BUILD/bin/VelaViewer.exe")
            [ "${#files[@]}" -gt 0 ] && CMD+=("$(winpath "${files[0]}")") ;;
        wview)
            CMD=(wine "$TOOLS/wview.exe" -stay)
            if [ "$w" = folder ]; then CMD+=("${WFOLDER[@]}")
            elif [ "${#files[@]}" -gt 0 ]; then CMD+=("$(winpath "${files[0]}")"); fi ;;
        feh)
            if [ "$w" = fullscreen ]; then CMD=(feh --fullscreen "${files[@]}")
            else CMD=(feh --geometry 1920x1080+0+0 --scale-down "${files[@]}"); fi ;;
        nsxiv) CMD=(nsxiv -g 1920x1080+0+0 "${files[@]}") ;;
    esac
}
step_key() { case "$1" in vela | wview) echo Right ;; *) echo space ;; esac; }

# One timed run: framewatch prints one RESULT line, kept with its labels.
measure() {  # round, viewer, what
    local r=$1 v=$2 w=$3 opts=() line
    case "$w" in
        # A level 4032 x 3024 photo fitted covers x 330..1590 at least.
        big | photo | heic) opts=("${BIG_PROBES[@]}" -t $LIMIT_MS) ;;
        phone) opts=("${PHONE_PROBES[@]}" -t $LIMIT_MS) ;;
        small) opts=("${SMALL_PROBES[@]}" -t $LIMIT_MS) ;;
        folder) opts=("${BIG_PROBES[@]}" -t $LIMIT_MS -k "$(step_key "$v")" -n $STEPS -s 2000) ;;
        # Vela enters full screen first (F11); feh starts in it.
        fullscreen)
            opts=("${BIG_PROBES[@]}" -t $LIMIT_MS -k "$(step_key "$v")" -n $STEPS -s 2000)
            [ "$v" = vela ] && opts+=(-K F11) ;;
        empty) opts=("${BIG_PROBES[@]}" -t 3000) ;;  # nothing to see: its memory after 3 s
    esac
    viewer_cmd "$v" "$w"
    "$TOOLS/framewatch" "${opts[@]}" -- "${CMD[@]}" >"$OUT/last.txt" 2>/dev/null </dev/null &
    FW_PID=$!
    wait "$FW_PID"
    FW_PID=""
    line=$(grep -m1 '^RESULT' "$OUT/last.txt" | sed 's/^RESULT //')
    [ -n "$line" ] || line="first_ms=-1"
    echo "round=$r viewer=$v measure=$w $line" >>"$RESULTS"
    printf '  round %d  %-6s %-7s %s\n' "$r" "$v" "$w" "$line"
}

VIEWERS=(vela wview feh nsxiv)
: >"$RESULTS"
say "warming up: every viewer once, not counted"
for v in "${VIEWERS[@]}"; do
    viewer_cmd "$v" small
    "$TOOLS/framewatch" "${SMALL_PROBES[@]}" -t $LIMIT_MS -S 300 -- "${CMD[@]}" >/dev/null 2>&1 </dev/null &
    FW_PID=$!
    wait "$FW_PID"
    FW_PID=""
done

say "measuring: $ROUNDS rounds, the viewers interleaved"
for r in $(seq 1 "$ROUNDS"); do
    # Rotate the order, so that no viewer always runs right after another.
    order=()
    for i in 0 1 2 3; do order+=("${VIEWERS[$(((i + r - 1) % 4))]}"); done
    for w in big phone small folder; do
        for v in "${order[@]}"; do
            [ "$w" = phone ] && [ "$v" = wview ] && continue
            measure "$r" "$v" "$w"
        done
    done
    # A phone's HEIC against the same photo as JPEG: Vela alone.
    for w in photo heic; do measure "$r" vela "$w"; done
    # A step in full screen: Vela against feh's full screen.
    for v in vela feh; do measure "$r" "$v" fullscreen; done
    measure "$r" vela empty
done

python3 "$HERE/summarise.py" "$RESULTS" "$ROUNDS" "$(stat -c %s "$IMG/big.jpg")"
