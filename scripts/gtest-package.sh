#!/usr/bin/env bash
# Checks that the tests build against an installed GoogleTest, the way a
# Windows machine provides one (vcpkg's, found through CMAKE_PREFIX_PATH),
# rather than from sources: GoogleTest is built from Debian's sources with
# MinGW-w64 and installed under BUILD_DIR/gtest-package/install, Quillmark is
# configured against that alone, and the model tests are built and run under
# Wine through CTest. A few minutes, so not part of scripts/test.sh; run it
# after changing how tests/CMakeLists.txt finds GoogleTest:
#   bash scripts/gtest-package.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages
WORK=$BUILD_DIR/gtest-package
TOOLCHAIN=$QUILLMARK_ROOT/cmake/mingw-w64.cmake

log "building and installing GoogleTest into $WORK/install"
cmake -S /usr/src/googletest -B "$WORK/gtest" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
    -DCMAKE_INSTALL_PREFIX="$WORK/install" >/dev/null
cmake --build "$WORK/gtest" -j "$(nproc)" >/dev/null
cmake --install "$WORK/gtest" >/dev/null

log "configuring Quillmark against it in $WORK/quillmark"
configured=$(cmake -S "$QUILLMARK_ROOT" -B "$WORK/quillmark" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_BENCH=OFF -DCMAKE_PREFIX_PATH="$WORK/install" \
    -DQUILLMARK_PREFIX_HOME="$PREFIX_HOME")
found=$(grep -E '^-- GoogleTest' <<<"$configured")
log "$found"
if [[ $found != *"installed, $WORK/install/"* ]]; then
    log "the installed GoogleTest was not the one used"
    exit 1
fi
cmake --build "$WORK/quillmark" -j "$(nproc)" --target test_model
# CTest's fixtures make the Wine prefix and start and stop its server.
ctest --test-dir "$WORK/quillmark" --output-on-failure -R '^test_model$'
