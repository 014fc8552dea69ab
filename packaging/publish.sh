#!/usr/bin/env bash
# Publishes a release with the GitHub CLI, all or nothing:
#
#   bash packaging/publish.sh TAG FOLDER
#
# FOLDER holds what the release job packed: the ZIP, the installer, the
# checksum file, the build record and the manifests (in subfolders or not).
# Checks the downloads against the checksum file, makes the tag's release as
# a draft, uploads every file, checks that the draft holds each one at its
# size, and only then publishes it, by its id, if it is still the one draft
# of the tag. Drafts left by failed runs of the same tag are deleted first; a
# published release is never replaced. Every release of the repository is
# read, page after page, and a list that cannot be read stops it. The
# release notes say whether the downloads are signed, from the build record.
# Needs gh with GH_TOKEN (contents: write) and GITHUB_REPOSITORY (OWNER/NAME).
set -euo pipefail

TAG=${1:-} FOLDER=${2:-}
if [ -z "$TAG" ] || [ ! -d "$FOLDER" ]; then
    echo "usage: $0 TAG FOLDER" >&2
    exit 2
fi
: "${GITHUB_REPOSITORY:?the repository, OWNER/NAME}"
VERSION=${TAG#v}
log() { printf '== %s\n' "$*" >&2; }
fail() {
    echo "publish.sh: $*" >&2
    exit 1
}
gh_() { gh "$@" --repo "$GITHUB_REPOSITORY"; }

mapfile -t files < <(find "$FOLDER" -type f | LC_ALL=C sort)
sums=$FOLDER/Quillmark-$VERSION-SHA256SUMS.txt
record=$FOLDER/Quillmark-$VERSION-build.txt
for file in "$sums" "$record" "$FOLDER/Quillmark-$VERSION-win64.zip" "$FOLDER/Quillmark-$VERSION-win64.msi"; do
    [ -f "$file" ] || fail "no $(basename "$file") in $FOLDER"
done
[ "$(printf '%s\n' "${files[@]##*/}" | sort | uniq -d)" = "" ] ||
    fail "two files of one name in $FOLDER: a release holds each name once"
(cd "$FOLDER" && sha256sum -c --strict --quiet "$(basename "$sums")") ||
    fail "the downloads are not those the checksum file names"

# The releases of the tag, one a line: its id, and true for a draft. Every
# page of the repository's releases is read; one that cannot be read stops
# the run, as it could hide a release of the tag.
releases_of_tag() {
    local all
    all=$(gh api --paginate "repos/$GITHUB_REPOSITORY/releases?per_page=100" \
        --jq '.[] | "\(.id) \(.draft) \(.tag_name)"') ||
        fail "the releases of $GITHUB_REPOSITORY could not be read"
    awk -v tag="$TAG" '$3 == tag { print $1, $2 }' <<<"$all"
}

# Stops when the releases of the tag given include a published one.
none_published() {
    ! grep -q ' false$' <<<"$1" || fail "the release $TAG is published already; a release is never replaced"
}

# The id of the one draft of the tag, and no published release of it.
only_draft() {
    local found
    found=$(releases_of_tag) || exit 1
    none_published "$found"
    [ "$(grep -c . <<<"$found")" -eq 1 ] ||
        fail "$(grep -c . <<<"$found") drafts of $TAG where one was made: is another run drafting it too?"
    echo "${found%% *}"
}

# A draft of this tag is what a failed run left: it was never public.
leftover=$(releases_of_tag)
none_published "$leftover"
while read -r id _; do
    [ -n "$id" ] || continue
    log "deleting the draft $id that a failed run left for $TAG"
    gh api -X DELETE "repos/$GITHUB_REPOSITORY/releases/$id" >/dev/null
done <<<"$leftover"

signature=$(sed -n 's/^signature //p' "$record")
{
    echo "Quillmark $VERSION for 64-bit Windows: the installer (\`Quillmark-$VERSION-win64.msi\`)"
    echo "or the ZIP (\`Quillmark-$VERSION-win64.zip\`)."
    echo
    if [ "$signature" = none ]; then
        echo "**Unsigned.** Windows may warn at the first start, or block the program where"
        echo "Smart App Control is on; check the download's SHA-256 and provenance first."
    else
        echo "**Signed:** $signature."
    fi
    echo
    echo "\`Quillmark-$VERSION-SHA256SUMS.txt\` holds the downloads' SHA-256;"
    echo "\`Quillmark-$VERSION-build.txt\` names the commit and the tools that built them,"
    echo "with which anyone can rebuild them byte for byte. How to check a download, its"
    echo "signature and its provenance, and how to rebuild it:"
    echo "[docs/releases.md](https://github.com/$GITHUB_REPOSITORY/blob/$TAG/docs/releases.md)."
} >"$FOLDER.notes"

log "drafting the release $TAG"
gh_ release create "$TAG" --draft --verify-tag --title "Quillmark $VERSION" --notes-file "$FOLDER.notes" >/dev/null
draft=$(only_draft)
log "uploading ${#files[@]} files to the draft $draft"
gh_ release upload "$TAG" "${files[@]}"
expected=$(for file in "${files[@]}"; do echo "${file##*/} $(stat -c %s "$file")"; done | LC_ALL=C sort)
held=$(gh api "repos/$GITHUB_REPOSITORY/releases/$draft" --jq '.assets[] | "\(.name) \(.size)"' | LC_ALL=C sort)
[ "$held" = "$expected" ] ||
    fail "the draft of $TAG holds other files than were uploaded; it stays a draft. Held: ${held//$'\n'/, }; uploaded: ${expected//$'\n'/, }"
[ "$(only_draft)" = "$draft" ] || fail "the draft of $TAG is no longer $draft; nothing is published"
log "publishing $TAG (release $draft)"
[ "$(gh api -X PATCH "repos/$GITHUB_REPOSITORY/releases/$draft" -F draft=false --jq .draft)" = false ] ||
    fail "the release $draft of $TAG is still a draft"
