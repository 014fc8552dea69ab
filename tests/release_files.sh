#!/usr/bin/env bash
# The release's files for a built Quillmark.exe, as scripts/package.sh and the
# release workflow make them: the ZIP packed in two folders (one with a space)
# from files of other times gives the same bytes; its checksum file verifies
# with sha256sum -c; the winget and Scoop manifests filled for it parse and
# carry its SHA-256 and release URL.
#   bash tests/release_files.sh QUILLMARK_EXE VERSION WORK_DIR
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

EXE=$1 VERSION=$2 WORK=$3
NAME=Quillmark-$VERSION-win64
export SOURCE_DATE_EPOCH=1700000000
rm -rf "$WORK"
for dir in "$WORK/one" "$WORK/two folder"; do
    mkdir -p "$dir/$NAME"
    cp "$EXE" "$dir/$NAME/Quillmark.exe"
    cp "$QUILLMARK_ROOT/packaging/README.txt" "$dir/$NAME/"
    touch -d '1999-12-31 23:59:59' "$dir/$NAME/README.txt"
    pack_zip "$dir" "$NAME" "$dir/$NAME.zip"
done
cmp "$WORK/one/$NAME.zip" "$WORK/two folder/$NAME.zip"
zip=$WORK/one/$NAME.zip
record_checksum "$zip"
record_checksum "$zip"
(cd "$WORK/one" && sha256sum -c --strict "Quillmark-$VERSION-SHA256SUMS.txt")

bash "$QUILLMARK_ROOT/scripts/manifests.sh" owner/quillmark "$WORK/manifests" "$zip" >/dev/null
/usr/bin/python3 - "$WORK/manifests" "$VERSION" "$(sha256sum "$zip" | cut -d ' ' -f 1)" "$NAME" <<'PY'
import json, sys, yaml
out, version, sha, name = sys.argv[1:]
url = f"https://github.com/owner/quillmark/releases/download/v{version}/{name}.zip"
w = f"{out}/winget/Quillmark.Quillmark"
manifests = {k: yaml.safe_load(open(f"{w}{k}.yaml")) for k in ("", ".installer", ".locale.en-US")}
scoop = json.load(open(f"{out}/scoop/quillmark.json"))
(installer,) = manifests[".installer"]["Installers"]
got = {
    "versions": [m["PackageVersion"] for m in manifests.values()] + [scoop["version"]],
    "types": [m["ManifestType"] for m in manifests.values()],
    "winget": [installer["InstallerSha256"], installer["InstallerUrl"]],
    "scoop": [scoop["architecture"]["64bit"][k] for k in ("hash", "url")],
    "exe": installer["NestedInstallerFiles"][0]["RelativeFilePath"],
}
want = {
    "versions": [version] * 4,
    "types": ["version", "installer", "defaultLocale"],
    "winget": [sha, url],
    "scoop": [sha, url],
    "exe": f"{name}\\Quillmark.exe",
}
bad = [f"{k}: got {got[k]!r}, expected {want[k]!r}" for k in want if got[k] != want[k]]
print("\n".join(bad) or "manifests carry the ZIP's hash and URL")
sys.exit(1 if bad else 0)
PY
