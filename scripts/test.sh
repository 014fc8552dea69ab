#!/usr/bin/env bash
# Builds Quillmark and runs every test: the unit and integration tests under
# Wine with no display, then the end-to-end tests in a real window under Xvfb.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages
make_prefix "$NULL_PREFIX" null
make_prefix "$DESKTOP_PREFIX" desktop
build

export WINEPREFIX=$NULL_PREFIX
start_wineserver "$WINEPREFIX"
trap 'stop_wineserver "$NULL_PREFIX"' EXIT
cd "$BUILD_DIR"
env -u DISPLAY ctest --output-on-failure -j 2 "$@"
