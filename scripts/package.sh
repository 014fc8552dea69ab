#!/usr/bin/env bash
# Builds Quillmark and packs Quillmark.exe with packaging/README.txt into
# BUILD_DIR/Quillmark-<version>-win64.zip; prints the path of the ZIP.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages unzip
build
(cd "$BUILD_DIR" && cpack --config CPackConfig.cmake >/dev/null)
# The newest, should an older version's ZIP lie beside it.
zip=
for candidate in "$BUILD_DIR"/Quillmark-*-win64.zip; do
    if [ -z "$zip" ] || [ "$candidate" -nt "$zip" ]; then zip=$candidate; fi
done
unzip -l "$zip" >&2
echo "$zip"
