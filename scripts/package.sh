#!/usr/bin/env bash
# Builds Quillmark and packs Quillmark.exe, stripped, with packaging/README.txt
# into BUILD_DIR/Quillmark-<version>-win64.zip (one folder of that name
# inside), builds the installer of the same Quillmark.exe beside it,
# Quillmark-<version>-win64.msi (scripts/msi.sh), records the SHA-256 of both
# in BUILD_DIR/Quillmark-<version>-SHA256SUMS.txt and prints the path of the
# ZIP.
# One commit packs to the same bytes in any folder at any time, with the same
# Debian release's compiler: the exe's time stamp and the entries' times are
# the commit's (SOURCE_DATE_EPOCH, when set, instead); MinGW-w64's linker and
# strip read it. scripts/reproduce.sh proves it.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages zip unzip git
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(commit_time)}
export SOURCE_DATE_EPOCH
# Only the ZIP's path goes to the output.
build >&2
name=Quillmark-$(project_version)-win64
stage=$BUILD_DIR/package
rm -rf "$stage"
cmake --install "$BUILD_DIR" --prefix "$stage/$name" --strip >/dev/null
pack_zip "$stage" "$name" "$BUILD_DIR/$name.zip"
# The installer holds the ZIP's Quillmark.exe, byte for byte.
bash "$QUILLMARK_ROOT/scripts/msi.sh" "$stage/$name/Quillmark.exe" "$(project_version)" \
    "$BUILD_DIR/$name.msi" >&2
record_checksum "$BUILD_DIR/$name.zip"
record_checksum "$BUILD_DIR/$name.msi"
unzip -l "$BUILD_DIR/$name.zip" >&2
echo "$BUILD_DIR/$name.zip"
