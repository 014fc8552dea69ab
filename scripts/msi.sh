#!/usr/bin/env bash
# Builds Quillmark's Windows Installer package from packaging/Quillmark.wxs
# with wixl: bash scripts/msi.sh PATH/TO/Quillmark.exe VERSION OUT.msi
# scripts/package.sh calls it with the ZIP's Quillmark.exe; the install test
# builds packages of other versions with it.
#
# The same inputs give the same bytes: the product and package codes are
# derived from the upgrade code, the version and the program's bytes instead
# of wixl's random ones, and every time in the package (the cabinet's file
# times, the summary information's creation and save times) is
# SOURCE_DATE_EPOCH, by default the time of the last commit.
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [ $# -ne 3 ] || [ ! -f "$1" ]; then
    echo "usage: $0 PATH/TO/Quillmark.exe VERSION OUT.msi" >&2
    exit 2
fi
exe=$1 version=$2 out=$3
install_packages wixl msitools

epoch=${SOURCE_DATE_EPOCH:-$(commit_time)}
wxs=$QUILLMARK_ROOT/packaging/Quillmark.wxs
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$wxs")
[ -n "$upgrade_code" ] || { log "no UpgradeCode in $wxs"; exit 1; }

# wixl takes the files by names relative to where it runs: the staging folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
install -m 644 "$exe" "$stage/Quillmark.exe"
install -m 644 "$QUILLMARK_ROOT/app/icons/quill.ico" "$stage/quill.ico"
touch -d "@$epoch" "$stage/Quillmark.exe" "$stage/quill.ico"

# A new version is a new product, which is what lets a newer package replace
# the installed one; a new package of it (other bytes) a new package code,
# by which Windows Installer tells packages apart.
codes=$(python3 - "$upgrade_code" "$version" "$stage/Quillmark.exe" <<'EOF'
import hashlib, sys, uuid
upgrade, version, exe = uuid.UUID(sys.argv[1]), sys.argv[2], sys.argv[3]
with open(exe, "rb") as f:
    digest = hashlib.sha256(f.read()).hexdigest()
print(str(uuid.uuid5(upgrade, "product " + version)).upper(),
      str(uuid.uuid5(upgrade, "package " + version + " " + digest)).upper())
EOF
)
read -r product_code package_code <<<"$codes"

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"
before=$(date +%s)
# The cabinet keeps local times: the same in every time zone with TZ=UTC.
(cd "$stage" && TZ=UTC wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
    -D Exe=Quillmark.exe -D Icon=quill.ico -o "$out" "$wxs")
after=$(date +%s)
msibuild "$out" -s Quillmark Quillmark "x64;1033" "{$package_code}"

# wixl writes the clock into the summary information's creation and save
# times, and msitools has no way to set them: each is a property of type
# VT_FILETIME (the tag 0x40, then 100 ns since 1601), found by its value,
# within the seconds wixl ran, and overwritten in place.
python3 - "$out" "$before" "$after" "$epoch" <<'EOF'
import re, struct, sys
path, before, after, epoch = sys.argv[1], *map(int, sys.argv[2:])
def filetime(seconds):
    return (seconds + 11644473600) * 10**7
data = bytearray(open(path, "rb").read())
low, high = filetime(before - 1), filetime(after + 2)
found = [m.start() for m in re.finditer(rb"\x40\x00\x00\x00", data)
         if m.end() + 8 <= len(data)
         and low <= struct.unpack_from("<Q", data, m.end())[0] <= high]
if len(found) != 2:
    sys.exit(f"{path}: {len(found)} summary times from the clock, expected 2")
for at in found:
    struct.pack_into("<Q", data, at + 4, filetime(epoch))
open(path, "wb").write(data)
EOF
log "built $out (version $version, product {$product_code})"
