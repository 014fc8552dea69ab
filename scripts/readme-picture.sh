#!/usr/bin/env bash
# Renews docs/drawing.png, the README's picture. The end-to-end drawing
# scenario draws it with real mouse input under Wine in Xvfb and saves the
# window in the build directory, which is where the tests write; this copies
# it into the source tree and prints its path.
# shellcheck source-path=SCRIPTDIR
# shellcheck disable=SC2119 # install_packages and build, without their optional arguments
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"

install_packages
build >&2
bash "$QUILLMARK_ROOT/tests/e2e/drawing.sh" "$BUILD_DIR/Quillmark.exe" "$BUILD_DIR/tests/e2e/probe.exe"
cp "$BUILD_DIR/e2e-shots/drawing/picture.png" "$QUILLMARK_ROOT/docs/drawing.png"
echo "$QUILLMARK_ROOT/docs/drawing.png"
