#!/usr/bin/env bash
# Proves that a release rebuilds to the same bytes.
#
#   bash packaging/reproduce.sh [--record FILE]
#       packs this repository's HEAD with packaging/package.sh in two clean
#       clones, one after the other, in folders of different names (one with
#       a space), then compares the two ZIPs, the two installers, and the time
#       stamp in the PE header of each one's Quillmark.exe with the commit's
#       time. Two full builds: 10-20 minutes on 2 cores.
#
#   bash packaging/reproduce.sh --against FOLDER [--ca FILE] [--tag TAG | --built]
#       checks a release's downloads as published: FOLDER holds the ZIP, the
#       installer and the checksum file (and the build record, when it was
#       downloaded too). First it verifies the signatures the published files
#       carry (the ZIP's Quillmark.exe's and the installer's): each must be
#       that file's own, its chain must end in a root of FILE (PEM; by
#       default the system's certificate bundle) and its time stamp verify;
#       it prints each one's signer and time stamp. Then it builds the tag
#       v<version> (or TAG) unsigned in a clean clone, takes the signatures
#       out of the published files, attaches them to its own exe and
#       installer and packs as the release did (packaging/package.sh
#       --signatures-from), and compares every download's SHA-256 with the
#       published file's and says, for one that differs, where: the
#       program's bytes, the signature or the packing. --built packs the
#       program built in BUILD_DIR instead of a clone of the tag (the tests
#       do). A copied signature proves nothing by itself, hence the check
#       before: another file's signature, copied, would give the published
#       bytes again.
#
# Either way it prints the versions of the tools here, and which of them
# differ from the release's build record (FOLDER's, or --record FILE): a
# different toolchain gives different bytes. Works in BUILD_DIR/reproduce/;
# the packing logs and the clones stay there. Not part of the test command.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

usage() {
    echo "usage: $0 [--record FILE] | --against FOLDER [--ca FILE] [--tag TAG | --built]" >&2
    exit 2
}
AGAINST='' TAG='' BUILT='' RECORD='' CA=''
while [ $# -gt 0 ]; do
    case $1 in
    --built) BUILT=1 ;;
    --against | --tag | --record | --ca)
        [ $# -ge 2 ] || usage
        case $1 in
        --against) AGAINST=$2 ;;
        --tag) TAG=$2 ;;
        --ca) CA=$2 ;;
        *) RECORD=$2 ;;
        esac
        shift
        ;;
    *) usage ;;
    esac
    shift
done
[ -n "$AGAINST" ] || [ -z "$TAG$BUILT$CA" ] || usage
[ -z "$CA" ] || [ -f "$CA" ] || {
    log "no CA file at $CA"
    exit 2
}
[ -z "$CA" ] || CA=$(cd "$(dirname "$CA")" && pwd)/$(basename "$CA")
# The checkout may be another user's (a CI container's, say), which git
# refuses to read. A local clone reads it both itself and through
# upload-pack, which is not given the -c settings: -u passes them on.
safe=(-c safe.directory="$QUILLMARK_ROOT" -c safe.directory="$QUILLMARK_ROOT/.git")
git=(git "${safe[@]}" -c advice.detachedHead=false)
git_clone=("${git[@]}" clone --quiet --upload-pack "git ${safe[*]@Q} upload-pack")

install_packages unzip git osslsigncode msitools python3
WORK=$BUILD_DIR/reproduce
if [ -n "$AGAINST" ]; then
    AGAINST=$(cd "$AGAINST" && pwd) || usage
    # The work folder is emptied first: the release's files must not be there.
    case $AGAINST/ in "$WORK"/*)
        log "$AGAINST is inside $WORK, which this empties; keep the release's files elsewhere"
        exit 2
        ;;
    esac
fi
rm -rf "$WORK"
mkdir -p "$WORK"

# This machine's image and package versions, and those that differ from the
# build record named, if any.
compare_tools() {
    local here
    here=$(echo "image $(record_image)" && record_packages)
    log "the tools here:"
    printf '     %s\n' "${here//$'\n'/$'\n'     }" >&2
    [ -n "$1" ] || return 0
    [ -f "$1" ] || {
        log "no build record at $1"
        return 1
    }
    local differ
    differ=$(awk 'NR == FNR { if ($1 == "package") here[$2] = $3; next }
        $1 == "package" && here[$2] != $3 {
            printf "     %s: %s in the release, %s here\n", $2, $3, ($2 in here ? here[$2] : "none") }
        $1 == "image" && $2 ~ /@sha256:/ { image = $2 }
        END { if (image != "") printf "     (the release was built in %s)\n", image }' \
        - "$1" <<<"$here")
    if grep -q ' here$' <<<"$differ"; then
        log "these differ from the release's build record ($1), and may change the bytes alone:"
    else
        log "the package versions here are the release's ($1)"
    fi
    [ -z "$differ" ] || echo "$differ" >&2
}

# Prints what the signature of the published FILE (called WHAT) is: the
# signer and time stamp, or none; fails when it does not verify against the
# roots named, or is another file's.
published_signature() {
    local file=$1 what=$2 verdict
    if ! has_signature "$file"; then
        echo "no signature: $what (an unsigned release)"
        return
    fi
    if verdict=$(QUILLMARK_SIGN_CAFILE=$CA bash "$QUILLMARK_ROOT/packaging/sign.sh" --verify "$file"); then
        echo "signature verifies: $what, $verdict"
    else
        echo "BAD SIGNATURE: $what: $verdict"
        return 1
    fi
}

# Where two copies of Quillmark.exe differ, when they do: in the program's
# bytes, or only in the signature attached to them.
exe_difference() {
    local published=$1 own=$2 dir
    cmp -s "$published" "$own" && return
    dir=$(mktemp -d "$WORK/exe.XXXXXX")
    osslsigncode remove-signature -in "$published" -out "$dir/published" >/dev/null 2>&1 ||
        cp "$published" "$dir/published"
    osslsigncode remove-signature -in "$own" -out "$dir/own" >/dev/null 2>&1 || cp "$own" "$dir/own"
    if cmp -s "$dir/published" "$dir/own"; then
        echo "the signature (the program's bytes are the same)"
    else
        echo "the program's bytes ($(cmp -l "$dir/published" "$dir/own" 2>/dev/null | grep -c .) of them," \
            "the first at byte $(cmp "$dir/published" "$dir/own" | sed -n 's/.*differ: byte \([0-9]*\).*/\1/p')," \
            "with no signature)"
    fi
}

# Where the published download differs from this build's of the same name.
where() {
    local published=$1 own=$2 dir file
    dir=$(mktemp -d "$WORK/where.XXXXXX")
    mkdir "$dir/published" "$dir/own"
    case $published in
    *.zip)
        if ! unzip -q "$published" -d "$dir/published" || ! unzip -q "$own" -d "$dir/own"; then
            echo "the packing (the published ZIP does not unpack)"
            return
        fi
        ;;
    *.msi)
        if ! msiextract -C "$dir/published" "$published" >/dev/null 2>&1 ||
            ! msiextract -C "$dir/own" "$own" >/dev/null 2>&1; then
            echo "the packing (the published installer's files cannot be read)"
            return
        fi
        ;;
    esac
    if [ "$(cd "$dir/published" && find . -type f | sort)" != "$(cd "$dir/own" && find . -type f | sort)" ]; then
        echo "the packing (other files inside)"
        return
    fi
    while read -r file; do
        if [ "${file##*/}" = Quillmark.exe ]; then
            local exe
            exe=$(exe_difference "$dir/published/$file" "$dir/own/$file")
            [ -z "$exe" ] || {
                echo "its Quillmark.exe: $exe"
                return
            }
        elif ! cmp -s "$dir/published/$file" "$dir/own/$file"; then
            echo "its ${file#./}"
            return
        fi
    done < <(cd "$dir/published" && find . -type f | sort)
    # The same files inside: the container differs, or the installer's
    # signature, if the bytes it covers are the same.
    if [[ $published == *.msi ]]; then
        local unsigned=0
        osslsigncode remove-signature -in "$published" -out "$dir/published.msi" >/dev/null 2>&1 ||
            unsigned=$((unsigned + 1))
        osslsigncode remove-signature -in "$own" -out "$dir/own.msi" >/dev/null 2>&1 || unsigned=$((unsigned + 1))
        if [ "$unsigned" -eq 1 ]; then
            echo "the signature (one of the two carries none)"
        elif [ "$unsigned" -eq 0 ] && cmp -s "$dir/published.msi" "$dir/own.msi"; then
            echo "the signature (the installer's other bytes are the same)"
        else
            echo "the packing (the installer's tables, streams or cabinet)"
        fi
    else
        echo "the packing (the ZIP's entries, their times or their compression)"
    fi
}

against() {
    local folder sums version name out
    folder=$AGAINST
    sums=$(find "$folder" -maxdepth 1 -name 'Quillmark-*-SHA256SUMS.txt')
    if [ -z "$sums" ] || [ "$(grep -c . <<<"$sums")" -ne 1 ]; then
        log "$folder must hold one checksum file Quillmark-<version>-SHA256SUMS.txt, beside the downloads"
        return 1
    fi
    version=$(basename "$sums" -SHA256SUMS.txt)
    version=${version#Quillmark-}
    name=Quillmark-$version-win64
    for file in "$name.zip" "$name.msi"; do
        grep -q "  $file\$" "$sums" || {
            log "$(basename "$sums") names no $file"
            return 1
        }
    done
    (cd "$folder" && sha256sum -c --strict --quiet "$(basename "$sums")") || {
        log "the downloads in $folder are not those their checksum file names: a damaged download, or files of two releases"
        return 1
    }
    local bad=0
    unzip -p "$folder/$name.zip" "$name/Quillmark.exe" >"$WORK/published.exe" || {
        log "the published $name.zip holds no $name/Quillmark.exe"
        return 1
    }
    published_signature "$WORK/published.exe" "$name.zip's $name/Quillmark.exe" || bad=1
    published_signature "$folder/$name.msi" "$name.msi" || bad=1
    [ "$bad" -eq 0 ] || {
        log "a published signature does not verify: the download is not what was signed, or not by a root trusted here${CA:+ ($CA)}"
        return 1
    }
    compare_tools "${RECORD:-$folder/Quillmark-$version-build.txt}" || true
    local tag=${TAG:-v$version} clone=$WORK/clone
    if [ -z "$BUILT" ] && ! "${git[@]}" -C "$QUILLMARK_ROOT" rev-parse -q --verify "refs/tags/$tag" >/dev/null; then
        log "no tag $tag in $QUILLMARK_ROOT to rebuild: fetch the release's tags (git fetch --tags), or name one with --tag"
        return 1
    fi

    out=$WORK/out
    if [ -n "$BUILT" ]; then
        log "packing the program built in $BUILD_DIR (log: $WORK/package.log)"
        bash "$QUILLMARK_ROOT/packaging/package.sh" --built --out "$out" --signatures-from "$folder" \
            >/dev/null 2>"$WORK/package.log"
    else
        log "building $tag in a clean clone (log: $WORK/package.log)"
        "${git_clone[@]}" --branch "$tag" "$QUILLMARK_ROOT" "$clone" || return 1
        # What the caller set for its own build must not reach the clone's.
        env -u SOURCE_DATE_EPOCH -u BUILD_DIR bash "$clone/packaging/package.sh" --out "$out" \
            --signatures-from "$folder" >/dev/null 2>"$WORK/package.log"
    fi || {
        tail -n 20 "$WORK/package.log" >&2
        return 1
    }

    local failed=0 file published own
    for file in "$name.zip" "$name.msi"; do
        published=$(sha256sum "$folder/$file" | cut -d ' ' -f 1)
        own=$(sha256sum "$out/$file" | cut -d ' ' -f 1)
        if [ "$published" = "$own" ]; then
            echo "same bytes: $file $own"
        else
            echo "DIFFERS: $file: published $published, rebuilt $own; where: $(where "$folder/$file" "$out/$file")"
            failed=1
        fi
    done
    return "$failed"
}

# The TimeDateStamp of a PE file: 4 bytes, 8 into the header that the
# offset at 0x3c names.
pe_time() {
    local header
    header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t u4 -j $((header + 8)) -N 4 "$1" | tr -d ' '
}

twice() {
    log "packing $("${git[@]}" -C "$QUILLMARK_ROOT" rev-parse --short HEAD) twice (what is not committed is left out)"
    compare_tools "$RECORD" || true
    local zips=() clone zip
    for clone in "$WORK/first clone" "$WORK/second"; do
        "${git_clone[@]}" "$QUILLMARK_ROOT" "$clone"
        log "bash packaging/package.sh in $clone (log: $clone.log)"
        zip=$(env -u SOURCE_DATE_EPOCH -u BUILD_DIR bash "$clone/packaging/package.sh" 2>"$clone.log") || {
            tail -n 20 "$clone.log" >&2
            return 1
        }
        zips+=("$zip")
    done

    local failed=0 kind pair msis=("${zips[0]%.zip}.msi" "${zips[1]%.zip}.msi")
    for kind in ZIP installer; do
        if [ $kind = ZIP ]; then pair=("${zips[@]}"); else pair=("${msis[@]}"); fi
        if cmp "${pair[@]}"; then
            log "the two ${kind}s are the same bytes"
        else
            log "the two ${kind}s DIFFER"
            failed=1
        fi
    done
    local commit stamp exe=$WORK/Quillmark.exe
    commit=$(commit_time)
    for zip in "${zips[@]}"; do
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
    return "$failed"
}

if [ -n "$AGAINST" ]; then against; else twice; fi
