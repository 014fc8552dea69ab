#!/usr/bin/env bash
# Packs a release of Quillmark and prints the ZIP's path. Writes into OUT
# (BUILD_DIR unless --out says otherwise):
#   Quillmark-<version>-win64.zip       Quillmark.exe, stripped, README.txt and
#                                       LICENSE.txt, in a folder of that name
#   Quillmark-<version>-win64.msi       the installer of the same Quillmark.exe
#                                       (packaging/msi.sh)
#   Quillmark-<version>-SHA256SUMS.txt  the SHA-256 of both, as published
#   Quillmark-<version>-build.txt       what built them: the commit, the
#                                       Debian packages, the container image
#
#   bash packaging/package.sh [--built] [--out DIR] [--signatures-from FOLDER]
#
#   --built      pack the program already built in BUILD_DIR (the tests do)
#   --out DIR    write the files into DIR
#   --signatures-from FOLDER
#                attach the signatures that the published release in FOLDER
#                carries instead of signing (packaging/reproduce.sh --against)
#
# With a signing key in the environment (packaging/sign.sh), Quillmark.exe is
# signed before the ZIP and the installer take it, and the installer once it
# is built; without one, nothing is signed, and the bytes are an unsigned
# build's.
# One commit packs to the same bytes in any folder at any time, with the same
# package versions (the build record names them): the exe's time stamp and
# every time in the ZIP and the installer are the commit's (SOURCE_DATE_EPOCH,
# when set, instead); MinGW-w64's linker and strip read it.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

usage() {
    echo "usage: $0 [--built] [--out DIR] [--signatures-from FOLDER]" >&2
    exit 2
}
built='' OUT=$BUILD_DIR SIGNATURES_FROM=''
while [ $# -gt 0 ]; do
    case $1 in
    --built) built=1 ;;
    --out | --signatures-from)
        [ $# -ge 2 ] || usage
        if [ "$1" = --out ]; then OUT=$2; else SIGNATURES_FROM=$2; fi
        shift
        ;;
    *) usage ;;
    esac
    shift
done

install_packages zip unzip git python3
[ -z "$SIGNATURES_FROM" ] || install_packages osslsigncode
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(commit_time)}
export SOURCE_DATE_EPOCH
# Only the ZIP's path goes to the output.
[ -n "$built" ] || build >&2
VERSION=$(project_version)
NAME=Quillmark-$VERSION-win64
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
ZIP=$OUT/$NAME.zip MSI=$OUT/$NAME.msi
RECORD=$OUT/Quillmark-$VERSION-build.txt
# Nothing of an earlier packing may pass for this one's.
rm -f "$ZIP" "$MSI" "$RECORD" "$OUT/Quillmark-$VERSION-SHA256SUMS.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Signs FILE with the environment's key, or, with --signatures-from, attaches
# the signature that PUBLISHED (the same file of the release, called WHAT)
# carries. osslsigncode writes no file that is there already.
sign() {
    local file=$1 published=$2 what=$3
    if [ -z "$SIGNATURES_FROM" ]; then
        bash "$QUILLMARK_ROOT/packaging/sign.sh" "$file" >&2
        return
    fi
    rm -f "$work/signature" "$work/attached"
    if ! osslsigncode extract-signature -in "$published" -out "$work/signature" >/dev/null 2>&1; then
        log "the published $what carries no signature: $file left unsigned"
        return
    fi
    # attach-signature writes the file, then checks it, and its exit code
    # mixes two questions: whether the signature is this file's, which it
    # must be (another file's would pass the comparison of hashes as the
    # release's bytes), and whether this machine trusts the chain's root,
    # which the bytes do not depend on. sign.sh --verify tells them apart.
    osslsigncode attach-signature -sigin "$work/signature" -in "$file" -out "$work/attached" \
        >"$work/log" 2>&1 || true
    [ -s "$work/attached" ] || {
        cat "$work/log" >&2
        # Newer osslsigncode (2.14) writes nothing for another file's signature.
        if grep -q MISMATCH "$work/log"; then
            log "the signature of the published $what does not fit $file, whose bytes are not those it signed"
        else
            log "could not attach the signature of the published $what to $file"
        fi
        return 1
    }
    local verdict status=0
    verdict=$(bash "$QUILLMARK_ROOT/packaging/sign.sh" --verify "$work/attached") || status=$?
    case $status in
    0) log "attached the signature of the published $what to $file: $verdict" ;;
    1) log "attached the signature of the published $what to $file; its chain is not trusted here: $verdict" ;;
    *)
        log "the signature of the published $what does not fit $file, whose bytes are not those it signed: $verdict"
        return 1
        ;;
    esac
    cat "$work/attached" >"$file"
}

# The commit checked out, and whether the tree holds changes not committed.
commit_described() {
    local git=(git -c safe.directory="$QUILLMARK_ROOT" -C "$QUILLMARK_ROOT") commit
    commit=$("${git[@]}" rev-parse HEAD 2>/dev/null) || {
        echo "unknown (not a git clone)"
        return
    }
    if [ -n "$("${git[@]}" status --porcelain --untracked-files=no)" ]; then
        echo "$commit (with changes not committed)"
    else
        echo "$commit"
    fi
}

stage=$OUT/package
rm -rf "$stage"
cmake --install "$BUILD_DIR" --prefix "$stage/$NAME" --strip >/dev/null
exe=$stage/$NAME/Quillmark.exe
if [ -n "$SIGNATURES_FROM" ]; then
    if [ ! -f "$SIGNATURES_FROM/$NAME.msi" ] ||
        ! unzip -p "$SIGNATURES_FROM/$NAME.zip" "$NAME/Quillmark.exe" >"$work/published.exe"; then
        log "$SIGNATURES_FROM must hold $NAME.msi, and $NAME.zip with $NAME/Quillmark.exe"
        exit 1
    fi
fi
sign "$exe" "$work/published.exe" "$NAME/Quillmark.exe"
pack_zip "$stage" "$NAME" "$ZIP"
# The installer holds the ZIP's Quillmark.exe, byte for byte.
bash "$QUILLMARK_ROOT/packaging/msi.sh" "$exe" "$VERSION" "$MSI" >&2
sign "$MSI" "$SIGNATURES_FROM/$NAME.msi" "$NAME.msi"
record_checksum "$ZIP"
record_checksum "$MSI"

if [ -n "$SIGNATURES_FROM" ]; then
    signature="copied from the files in $SIGNATURES_FROM"
elif signer=$(bash "$QUILLMARK_ROOT/packaging/sign.sh" --signer) && [ -n "$signer" ]; then
    signature="Quillmark.exe and the installer, by $signer, time-stamped"
else
    signature=none
fi
{
    echo "# What built Quillmark $VERSION's downloads. The same commit with the same"
    echo "# package versions packs to the same bytes: bash packaging/reproduce.sh --against"
    echo "# FOLDER rebuilds them and names the versions that differ from these."
    echo "commit $(commit_described)"
    echo "source-date-epoch $SOURCE_DATE_EPOCH"
    echo "system $(. /etc/os-release && echo "$PRETTY_NAME")"
    echo "image $(record_image)"
    record_packages
    echo "signature $signature"
} >"$RECORD"
unzip -l "$ZIP" >&2
echo "$ZIP"
