#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine on a private
# Xvfb display. The exit status is CTest's.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
vela_setup
vela_build
vela_package
trap vela_stop EXIT
vela_start_xvfb
vela_fresh_prefix
say "running the tests"
cd "$BUILD" && ctest --output-on-failure -j"$(nproc)" "$@"
status=$?
exit $status
