#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, as root.
# Idempotent: each step runs only when its result is missing.
set -euo pipefail

say() { printf '[setup] %s\n' "$*"; }
die() { printf '[setup] error: %s\n' "$*" >&2; exit 1; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || die "run as root (or install sudo)"
    SUDO="sudo"
fi

need_pkgs=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need_pkgs+=(cmake)
have_cmd make || need_pkgs+=(make)
have_cmd i686-w64-mingw32-g++-posix || need_pkgs+=(g++-mingw-w64-i686-posix)
have_cmd Xvfb || need_pkgs+=(xvfb)
have_cmd xdpyinfo || need_pkgs+=(x11-utils)
have_pkg locales || need_pkgs+=(locales)
have_pkg fonts-wqy-microhei || need_pkgs+=(fonts-wqy-microhei)
[ -d /usr/src/googletest ] || need_pkgs+=(googletest)
have_pkg python3 || need_pkgs+=(python3)
# The end-to-end drop test plays a file manager through the X drag-and-drop protocol.
have_pkg python3-xlib || need_pkgs+=(python3-xlib)
# The JPEG scale test compares the engine's reduced decodes with djpeg's.
have_cmd djpeg || need_pkgs+=(libjpeg-turbo-progs)
have_pkg wine32:i386 || need_wine=1

# --- Native fuzzing of the engine's parsers (scripts/fuzz.sh): clang with
# libFuzzer and the sanitizers' 32-bit x86 runtimes (libclang-rt-14-dev holds
# libclang_rt.fuzzer-i386.a, .asan-i386 and .ubsan_standalone-i386), and the
# 32-bit C and C++ libraries to link against.
have_cmd clang++ || need_pkgs+=(clang)
have_pkg libclang-rt-14-dev || need_pkgs+=(libclang-rt-14-dev)
have_pkg lib32stdc++-12-dev || need_pkgs+=(lib32stdc++-12-dev)
have_pkg libc6-dev-i386 || need_pkgs+=(libc6-dev-i386)
have_cmd bc || need_pkgs+=(bc)

# --- Skins: the build renders the SVG skin pictures and assembles the icon.
have_cmd rsvg-convert || need_pkgs+=(librsvg2-bin)
have_cmd icotool || need_pkgs+=(icoutils)
# --- end of skins

if [ "${need_wine:-0}" = 1 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        say "adding the i386 architecture for 32-bit Wine"
        $SUDO dpkg --add-architecture i386
        apt_updated=0
    fi
    need_pkgs+=(wine wine32:i386)
fi

if [ "${#need_pkgs[@]}" -gt 0 ]; then
    say "installing: ${need_pkgs[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq || die "apt-get update failed"
    $SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null \
        || die "apt-get install failed for: ${need_pkgs[*]}"
fi

# Wine takes the ANSI code page from the locale; without the generated
# zh_CN.UTF-8 locale command-line arguments arrive garbled. Tests also run
# under en_US.UTF-8 (code page 1252), as on an English Windows.
for wanted in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qix "$wanted.utf8"; then
        say "generating the $wanted.UTF-8 locale"
        $SUDO sed -i "s/^# *\($wanted.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
        $SUDO locale-gen >/dev/null || die "locale-gen failed"
    fi
done

# --- The engine's JPEG decoder: libjpeg-turbo built from Debian's source ---
# The build fetches the source package with `apt-get source --download-only`
# (checked by apt against the signed archive indexes) and needs a deb-src
# entry for bookworm beside the deb one, nasm for the library's SIMD code and
# dpkg-dev for unpacking the package with Debian's patches.
jpeg_pkgs=()
have_cmd nasm || jpeg_pkgs+=(nasm)
have_cmd dpkg-source || jpeg_pkgs+=(dpkg-dev)
if ! grep -rqsE '^(Types:.*deb-src|deb-src .*bookworm)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    say "adding a deb-src entry for bookworm"
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $SUDO tee /etc/apt/sources.list.d/vela-src.sources >/dev/null
    jpeg_update=1
fi
if ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep -q '^Package: libjpeg-turbo'; then jpeg_update=1; fi
if [ "${jpeg_update:-0}" = 1 ] || [ "${#jpeg_pkgs[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq || die "apt-get update failed"
fi
if [ "${#jpeg_pkgs[@]}" -gt 0 ]; then
    say "installing: ${jpeg_pkgs[*]}"
    $SUDO apt-get install -y -qq --no-install-recommends "${jpeg_pkgs[@]}" >/dev/null \
        || die "apt-get install failed for: ${jpeg_pkgs[*]}"
fi
have_cmd nasm || die "nasm missing after install"
# --- end of the JPEG decoder's block ---

# --- Reference tools: the WebP bench compares the engine with Debian's dwebp
# (and makes its picture with cwebp); the colour tests compare with Little
# CMS's own jpgicc/tificc and with ImageMagick's -profile.
ref_pkgs=()
have_pkg webp || ref_pkgs+=(webp)
have_pkg liblcms2-utils || ref_pkgs+=(liblcms2-utils)
have_pkg imagemagick || ref_pkgs+=(imagemagick)
# HEIC, AVIF and JPEG XL test pictures and their sizes come from heif-enc/
# heif-info, avifenc and cjxl/jxlinfo (below for HEIF); the JPEG XL tests
# compare with djxl, and its bench times a native program linking Debian's
# libjxl.
have_pkg libjxl-tools || ref_pkgs+=(libjxl-tools)
have_pkg libjxl-dev || ref_pkgs+=(libjxl-dev)
if [ "${#ref_pkgs[@]}" -gt 0 ]; then
    say "installing: ${ref_pkgs[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get install -y -qq --no-install-recommends "${ref_pkgs[@]}" >/dev/null \
        || { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${ref_pkgs[@]}" >/dev/null; } \
        || die "apt-get install failed for: ${ref_pkgs[*]}"
fi
# --- end of the reference tools

# --- HEIC and AVIF: dav1d builds with Meson and Ninja (nasm is above); the
# tests write pictures with heif-enc and avifenc and compare with
# heif-convert and avifdec; the HEIF bench links Debian's libheif natively.
heif_pkgs=()
have_cmd meson || heif_pkgs+=(meson)
have_cmd ninja || heif_pkgs+=(ninja-build)
have_cmd heif-enc || heif_pkgs+=(libheif-examples)
have_cmd avifenc || heif_pkgs+=(libavif-bin)
have_pkg libheif-dev || heif_pkgs+=(libheif-dev)
if [ "${#heif_pkgs[@]}" -gt 0 ]; then
    say "installing: ${heif_pkgs[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get install -y -qq --no-install-recommends "${heif_pkgs[@]}" >/dev/null \
        || { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${heif_pkgs[@]}" >/dev/null; } \
        || die "apt-get install failed for: ${heif_pkgs[*]}"
fi
# --- end of HEIC and AVIF

have_cmd i686-w64-mingw32-g++-posix || die "MinGW-w64 i686 compiler missing after install"
have_cmd wine || die "wine missing after install"
say "ready"
