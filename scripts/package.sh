#!/usr/bin/env bash
# Builds Quillmark and packs Quillmark.exe with packaging/README.txt into
# BUILD_DIR/Quillmark-<version>-win64.zip, and builds the installer of the
# same Quillmark.exe beside it (scripts/msi.sh); prints the path of the ZIP.
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
# The installer holds the ZIP's Quillmark.exe (stripped), byte for byte.
version=$(basename "$zip" -win64.zip) version=${version#Quillmark-}
unzip -o -q -j "$zip" '*/Quillmark.exe' -d "$BUILD_DIR/msi"
bash "$QUILLMARK_ROOT/scripts/msi.sh" "$BUILD_DIR/msi/Quillmark.exe" "$version" \
    "$BUILD_DIR/Quillmark-$version-win64.msi"
echo "$zip"
