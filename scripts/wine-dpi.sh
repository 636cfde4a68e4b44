#!/usr/bin/env bash
# Runs one Windows program under Wine at another display scaling:
#     wine-dpi.sh DPI PROGRAM [ARGUMENTS...]    (DPI 96, 120, 144 or 192)
# Wine reads the scaling (HKCU\Control Panel\Desktop, LogPixels) when its
# server starts, so the program runs in a copy of the test prefix with the
# value set and a wineserver of its own; the shared one is left alone. The
# copy goes afterwards.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dpi=$1
shift
base=${WINEPREFIX:-$here/../build/wineprefix}
[ -f "$base/user.reg" ] || { echo "wine-dpi: no prefix at $base" >&2; exit 125; }
copy="$base-dpi$dpi"
rm -rf "$copy"
cp -a "$base" "$copy" || exit 125
# user.reg is the server's text form of HKCU: the value goes into its
# Desktop key before any program of the copy starts.
python3 - "$copy/user.reg" "$dpi" <<'PY' || exit 125
import re, sys
path, dpi = sys.argv[1], int(sys.argv[2])
text = open(path, encoding="utf-8", errors="surrogateescape").read()
value = '"LogPixels"=dword:%08x\n' % dpi
head = re.search(r'^\[Control Panel\\\\Desktop\][^\n]*\n(#time=[^\n]*\n)?', text, re.M)
if head:
    body = text[head.end():]
    body = re.sub(r'^"LogPixels"=[^\n]*\n', '', body, count=1, flags=re.M)
    text = text[:head.end()] + value + body
else:
    text += '\n[Control Panel\\\\Desktop]\n' + value
open(path, "w", encoding="utf-8", errors="surrogateescape").write(text)
PY
export WINEPREFIX="$copy"
"$here/wine-exec.sh" "$@"
status=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
rm -rf "$copy"
exit $status
