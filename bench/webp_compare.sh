#!/usr/bin/env bash
# The engine's WebP decode beside Debian's dwebp (the same libwebp release)
# on one 4000 x 3000 photo-like file: dwebp's own decode time (-v, without
# writing) as a median of 9 runs, then webp_bench.exe under Wine on the same
# file, which prints both and their ratio. Run by scripts/bench.sh from the
# bin folder with the prefix and display set up.
set -uo pipefail
command -v dwebp >/dev/null || { echo "webp_compare: dwebp missing (scripts/setup.sh installs package webp)" >&2; exit 1; }
picture="${1:-$PWD/bench-webp-4000x3000.webp}"
windows_path=$(winepath -w "$picture" 2>/dev/null)
if [ ! -f "$picture" ]; then
    wine ./webp_bench.exe --make "$windows_path" || { echo "webp_compare: could not make $picture" >&2; exit 1; }
fi
times=()
for _ in 1 2 3 4 5 6 7 8 9; do
    # "Time to decode picture: 0.123s"
    t=$(dwebp "$picture" -v -pam -o /dev/null 2>&1 | sed -n 's/^Time to decode picture: *\([0-9.]*\)s.*/\1/p')
    [ -n "$t" ] && times+=("$t")
done
[ "${#times[@]}" -gt 0 ] || { echo "webp_compare: dwebp printed no time" >&2; exit 1; }
median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(( (${#times[@]} + 1) / 2 ))p")
dwebp_ms=$(awk -v s="$median" 'BEGIN { printf "%.1f", s * 1000 }')
echo "dwebp $(dwebp -version) (Debian's package, native): ${dwebp_ms} ms (median of ${#times[@]})"
wine ./webp_bench.exe "$windows_path" "$dwebp_ms"
