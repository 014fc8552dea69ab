#!/usr/bin/env bash
# Fills the package managers' manifests in packaging/ for the release v<version>
# of the GitHub repository OWNER/NAME that publishes the downloads named:
#
#   bash packaging/manifests.sh OWNER/NAME OUT_DIR DOWNLOAD...
#
# Writes OUT_DIR/winget/Quillmark.Quillmark{,.installer,.locale.en-US}.yaml,
# the installer manifest with an entry per download (from
# packaging/winget/installer-<the download's extension>.yaml), and, for the
# ZIP, OUT_DIR/scoop/quillmark.json; each names its download's release URL
# and SHA-256. The release date is today's in UTC (QUILLMARK_RELEASE_DATE,
# YYYY-MM-DD, instead). Prints the paths of the files written.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

# The winget manifest schema the community repository accepts: the one place
# to change when it moves on.
WINGET_MANIFEST_VERSION=1.12.0

[ $# -ge 3 ] || {
    echo "usage: $0 OWNER/NAME OUT_DIR DOWNLOAD..." >&2
    exit 2
}
REPO=$1 OUT=$2
shift 2
VERSION=$(project_version)
DATE=${QUILLMARK_RELEASE_DATE:-$(date -u +%F)}
[[ $DATE =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] || {
    echo "$0: the release date $DATE is not YYYY-MM-DD" >&2
    exit 2
}
# The licence's copyright line, as the licence has it.
COPYRIGHT=$(grep -m 1 '^Copyright' "$QUILLMARK_ROOT/LICENSE")
WINGET=$QUILLMARK_ROOT/packaging/winget
ID=Quillmark.Quillmark

# A property of the installer's Property table (ProductCode, UpgradeCode).
msi_property() {
    msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"
}

# A template with the release's values and, when a download is named, its URL
# and SHA-256, and an installer's product and upgrade codes, by which winget
# finds it under Settings > Apps.
fill() {
    local template=$1 download=${2:-} url='' hash='' product='' upgrade=''
    if [ -n "$download" ]; then
        url=https://github.com/$REPO/releases/download/v$VERSION/$(basename "$download")
        hash=$(sha256sum "$download" | cut -d ' ' -f 1)
    fi
    if [[ $download == *.msi ]]; then
        product=$(msi_property "$download" ProductCode)
        upgrade=$(msi_property "$download" UpgradeCode)
        if [ -z "$product" ] || [ -z "$upgrade" ]; then
            echo "$0: no ProductCode or UpgradeCode in $download" >&2
            exit 1
        fi
    fi
    sed -e "s|@VERSION@|$VERSION|g" -e "s|@DATE@|$DATE|g" -e "s|@REPO@|$REPO|g" \
        -e "s|@MANIFEST_VERSION@|$WINGET_MANIFEST_VERSION|g" -e "s|@COPYRIGHT@|$COPYRIGHT|g" \
        -e "s|@OWNER@|${REPO%%/*}|g" -e "s|@URL@|$url|g" -e "s|@SHA256@|$hash|g" \
        -e "s|@PRODUCT_CODE@|$product|g" -e "s|@UPGRADE_CODE@|$upgrade|g" "$template"
}

zip=
for download; do
    [ -f "$WINGET/installer-${download##*.}.yaml" ] || {
        echo "$0: no winget installer template for $download (packaging/winget/installer-${download##*.}.yaml)" >&2
        exit 1
    }
    [[ $download != *.zip ]] || zip=$download
done
[ -n "$zip" ] || {
    echo "$0: Scoop installs the ZIP, and none was named" >&2
    exit 1
}
mkdir -p "$OUT/winget" "$OUT/scoop"
fill "$WINGET/$ID.yaml" >"$OUT/winget/$ID.yaml"
fill "$WINGET/$ID.locale.en-US.yaml" >"$OUT/winget/$ID.locale.en-US.yaml"
{
    fill "$WINGET/$ID.installer.yaml"
    for download; do fill "$WINGET/installer-${download##*.}.yaml" "$download"; done
} >"$OUT/winget/$ID.installer.yaml"
fill "$QUILLMARK_ROOT/packaging/scoop/quillmark.json" "$zip" >"$OUT/scoop/quillmark.json"
printf '%s\n' "$OUT/winget/$ID.yaml" "$OUT/winget/$ID.installer.yaml" \
    "$OUT/winget/$ID.locale.en-US.yaml" "$OUT/scoop/quillmark.json"
