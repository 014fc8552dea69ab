#!/usr/bin/env bash
# Proves that a release rebuilds to the same bytes: packs this repository's
# HEAD with scripts/package.sh in two clean clones, one after the other, in
# folders of different names (one with a space), then compares the two ZIPs,
# the two installers, and the time stamp in the PE header of each one's
# Quillmark.exe with the commit's time. Prints the SHA-256 of each; the
# packing logs and the clones stay in BUILD_DIR/reproduce/.
#
#   bash scripts/reproduce.sh
#
# Two full builds: 10-20 minutes on 2 cores. Not part of the test command.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages unzip git
WORK=$BUILD_DIR/reproduce
rm -rf "$WORK"
mkdir -p "$WORK"
log "packing $(git -C "$QUILLMARK_ROOT" rev-parse --short HEAD) twice (what is not committed is left out)"

# The TimeDateStamp of a PE file: 4 bytes, 8 into the header that the
# offset at 0x3c names.
pe_time() {
    local header
    header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t u4 -j $((header + 8)) -N 4 "$1" | tr -d ' '
}

zips=()
for clone in "$WORK/first clone" "$WORK/second"; do
    git clone --quiet "$QUILLMARK_ROOT" "$clone"
    log "bash scripts/package.sh in $clone (log: $clone.log)"
    # What the caller set for its own build must not reach the clone's.
    zip=$(env -u SOURCE_DATE_EPOCH -u BUILD_DIR bash "$clone/scripts/package.sh" 2>"$clone.log") || {
        tail -n 20 "$clone.log" >&2
        exit 1
    }
    zips+=("$zip")
done

failed=0
msis=("${zips[0]%.zip}.msi" "${zips[1]%.zip}.msi")
for kind in ZIP installer; do
    if [ $kind = ZIP ]; then pair=("${zips[@]}"); else pair=("${msis[@]}"); fi
    if cmp "${pair[@]}"; then
        log "the two ${kind}s are the same bytes"
    else
        log "the two ${kind}s DIFFER"
        failed=1
    fi
done
commit=$(commit_time)
for zip in "${zips[@]}"; do
    exe=$WORK/Quillmark.exe
    unzip -p "$zip" "$(basename "$zip" .zip)/Quillmark.exe" >"$exe"
    stamp=$(pe_time "$exe")
    if [ "$stamp" = "$commit" ]; then
        log "Quillmark.exe's time stamp is the commit's, $commit: $zip"
    else
        log "Quillmark.exe's time stamp is $stamp, the commit's $commit: $zip"
        failed=1
    fi
done
sha256sum "${zips[@]}" "${msis[@]}"
exit "$failed"
