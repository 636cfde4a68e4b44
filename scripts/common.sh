# Shared by run.sh and test.sh: set-up, build, a private Wine prefix, Xvfb.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="${VELA_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="$BUILD/wineprefix"
# Wine's recycle bin is the XDG trash: files the viewer deletes go to the
# build tree's own, not the user's. Read by the wineserver when it starts.
export XDG_DATA_HOME="$BUILD/xdg-data"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
# winemenubuilder would turn every association a test makes into menu
# entries of the user's desktop, and can outlive the test that caused it.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

say() { printf '[vela] %s\n' "$*"; }
die() { printf '[vela] error: %s\n' "$*" >&2; exit 1; }

vela_setup() {
    say "checking the build and test environment"
    bash "$ROOT/scripts/setup.sh" || die "set-up failed"
}

vela_build() {
    say "configuring in $BUILD"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVELA_TEST_REPEAT="${GTEST_REPEAT:-1}" >"$BUILD.configure.log" 2>&1 \
        || { cat "$BUILD.configure.log" >&2; die "cmake configure failed"; }
    say "building"
    cmake --build "$BUILD" -j"$(nproc)" || die "build failed"
}

# The release zip (build/Vela-<version>-win32.zip), which a test unpacks and runs.
vela_package() {
    say "packing the release zip"
    cmake --build "$BUILD" --target package >"$BUILD.package.log" 2>&1 \
        || { cat "$BUILD.package.log" >&2; die "packing failed"; }
}

# A fresh prefix for every test run: nothing from an earlier run leaks in.
vela_fresh_prefix() {
    say "creating a fresh Wine prefix in $WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    wineserver -w
}

vela_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] || vela_fresh_prefix
}

XVFB_PID=""
# Starts Xvfb on the first free display number and exports DISPLAY.
vela_start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        local i
        for i in $(seq 1 50); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                say "Xvfb on display :$n (pid $XVFB_PID)"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    done
    die "could not start Xvfb"
}

vela_stop() {
    WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
