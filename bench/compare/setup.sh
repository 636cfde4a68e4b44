#!/usr/bin/env bash
# Installs what the side-by-side comparison needs beyond the product's own
# set-up: the native viewers it is compared with (feh, nsxiv), ImageMagick for
# the pictures, and the X headers and compiler for the screen timer.
# Idempotent, as root (or through sudo).
set -euo pipefail

say() { printf '[compare-setup] %s\n' "$*"; }
die() { printf '[compare-setup] error: %s\n' "$*" >&2; exit 1; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || die "run as root (or install sudo)"
    SUDO="sudo"
fi

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

need=()
for p in feh nsxiv imagemagick libx11-dev libxtst-dev gcc libc6-dev python3; do
    have_pkg "$p" || need+=("$p")
done
if [ "${#need[@]}" -gt 0 ]; then
    say "installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq || die "apt-get update failed"
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null \
        || die "apt-get install failed for: ${need[*]}"
fi
for c in feh nsxiv gcc; do
    command -v "$c" >/dev/null 2>&1 || die "$c missing after install"
done
[ -x /usr/bin/convert ] || die "ImageMagick's convert missing after install"
say "ready"
