#!/usr/bin/env bash
# The release's files for a built Quillmark.exe, as scripts/package.sh and the
# release workflow make them: the ZIP packed in two folders (one with a space)
# from files of other times gives the same bytes; its checksum file verifies
# with sha256sum -c, with the installer's line beside it; the winget and Scoop
# manifests filled for both parse and carry each download's SHA-256 and
# release URL, and the installer's product code.
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
zip=$WORK/one/$NAME.zip msi=$WORK/one/$NAME.msi
bash "$QUILLMARK_ROOT/scripts/msi.sh" "$EXE" "$VERSION" "$msi" >/dev/null
record_checksum "$zip"
record_checksum "$msi"
record_checksum "$zip"
(cd "$WORK/one" && sha256sum -c --strict "Quillmark-$VERSION-SHA256SUMS.txt")

bash "$QUILLMARK_ROOT/scripts/manifests.sh" owner/quillmark "$WORK/manifests" "$msi" "$zip" >/dev/null
product=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
/usr/bin/python3 - "$WORK/manifests" "$VERSION" "$(sha256sum "$zip" | cut -d ' ' -f 1)" "$NAME" \
    "$(sha256sum "$msi" | cut -d ' ' -f 1)" "$product" <<'PY'
import json, sys, yaml
out, version, sha, name, msi_sha, product = sys.argv[1:]
url = f"https://github.com/owner/quillmark/releases/download/v{version}/{name}.zip"
w = f"{out}/winget/Quillmark.Quillmark"
manifests = {k: yaml.safe_load(open(f"{w}{k}.yaml")) for k in ("", ".installer", ".locale.en-US")}
scoop = json.load(open(f"{out}/scoop/quillmark.json"))
(wix, installer) = manifests[".installer"]["Installers"]
got = {
    "wix": [wix[k] for k in ("InstallerType", "InstallerSha256", "InstallerUrl", "ProductCode")],
    "versions": [m["PackageVersion"] for m in manifests.values()] + [scoop["version"]],
    "types": [m["ManifestType"] for m in manifests.values()],
    "winget": [installer["InstallerSha256"], installer["InstallerUrl"]],
    "scoop": [scoop["architecture"]["64bit"][k] for k in ("hash", "url")],
    "exe": installer["NestedInstallerFiles"][0]["RelativeFilePath"],
}
want = {
    "wix": ["wix", msi_sha, url[:-len("zip")] + "msi", product],
    "versions": [version] * 4,
    "types": ["version", "installer", "defaultLocale"],
    "winget": [sha, url],
    "scoop": [sha, url],
    "exe": f"{name}\\Quillmark.exe",
}
bad = [f"{k}: got {got[k]!r}, expected {want[k]!r}" for k in want if got[k] != want[k]]
print("\n".join(bad) or "manifests carry the downloads' hashes and URLs")
sys.exit(1 if bad else 0)
PY
