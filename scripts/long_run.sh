#!/usr/bin/env bash
# Long runs of the real viewer under Wine (not part of CI), on a private
# Xvfb display:
#   bash scripts/long_run.sh fuzz [files] [seed] [kind] [damage]
#                                                  stepping through damaged pictures
#   bash scripts/long_run.sh soak [steps] [large]  10,000 steps back and forth
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
vela_setup
vela_build
trap vela_stop EXIT
vela_start_xvfb
vela_prefix
cd "$BUILD/bin" || die "no build"
wine ./long_run.exe "$@"
