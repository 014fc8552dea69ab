#!/usr/bin/env bash
# Builds Quillmark's Windows Installer package from packaging/Quillmark.wxs
# with wixl: bash packaging/msi.sh PATH/TO/Quillmark.exe VERSION OUT.msi
# packaging/package.sh calls it with the ZIP's Quillmark.exe; the install test
# builds packages of other versions with it.
#
# The same inputs give the same bytes, and other bytes another package code:
# - the product code is derived from the upgrade code and the version;
# - every time in the package (the cabinet's file times, the summary
#   information's creation and save times) is SOURCE_DATE_EPOCH, by default
#   the time of the last commit;
# - the package code, by which Windows Installer tells packages apart, is
#   derived from the package's own bytes, so that a change of the program,
#   the WiX source, the icon, the licence, the version or the tools that
#   build it gives a new one, and nothing else does.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

if [ $# -ne 3 ] || [ ! -f "$1" ]; then
    echo "usage: $0 PATH/TO/Quillmark.exe VERSION OUT.msi" >&2
    exit 2
fi
exe=$1 version=$2 out=$3
# Windows Installer compares ProductVersion as major.minor.build (major and
# minor below 256, build below 65536) and ignores a fourth field: two builds
# differing only there would both stay installed.
if ! [[ $version =~ ^(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)(\.(0|[1-9][0-9]*))?$ ]] ||
    [ "${#version}" -gt 15 ] || [ "${BASH_REMATCH[1]}" -gt 255 ] || [ "${BASH_REMATCH[2]}" -gt 255 ] ||
    [ "${BASH_REMATCH[4]:-0}" -gt 65535 ]; then
    echo "$0: version '$version' is not MAJOR.MINOR[.BUILD] with major and minor below 256 and build below 65536" >&2
    exit 2
fi
install_packages wixl msitools python3

epoch=${SOURCE_DATE_EPOCH:-$(commit_time)}
wxs=$QUILLMARK_ROOT/packaging/Quillmark.wxs
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$wxs")
[ -n "$upgrade_code" ] || { log "no UpgradeCode in $wxs"; exit 1; }

# wixl takes the files by names relative to where it runs: the staging folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
install -m 644 "$exe" "$stage/Quillmark.exe"
install -m 644 "$QUILLMARK_ROOT/app/icons/quill.ico" "$stage/quill.ico"
install -m 644 "$QUILLMARK_ROOT/LICENSE" "$stage/LICENSE.txt"
touch -d "@$epoch" "$stage/Quillmark.exe" "$stage/quill.ico" "$stage/LICENSE.txt"

# A new version is a new product, which is what lets a newer package replace
# the installed one.
product_code=$(python3 -c 'import sys, uuid
print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), "product " + sys.argv[2])).upper())' \
    "$upgrade_code" "$version")
# Stands for the package code until the bytes it is derived from are there.
placeholder=00000000-0000-0000-0000-000000000000

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"
before=$(date +%s)
# The cabinet keeps local times: the same in every time zone with TZ=UTC.
(cd "$stage" && TZ=UTC wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
    -D Exe=Quillmark.exe -D License=LICENSE.txt -D Icon=quill.ico -o "$out" "$wxs")
# Each property the WiX source marks Secure="yes" in SecureCustomProperties,
# which wixl 0.101 leaves to its own upgrade properties.
secure=$(msiinfo export "$out" Property | tr -d '\r' | awk -F '\t' '$1 == "SecureCustomProperties" { print $2 }')
want=$({
    tr ';' '\n' <<<"$secure"
    sed -n 's/.*<Property Id="\([A-Za-z0-9_.]*\)"[^>]* Secure="yes".*/\1/p' "$wxs"
} | grep . | sort -u | paste -s -d ';')
if [ -n "$secure" ]; then
    query="UPDATE \`Property\` SET \`Value\` = '$want' WHERE \`Property\` = 'SecureCustomProperties'"
else
    query="INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('SecureCustomProperties', '$want')"
fi
msibuild "$out" -q "$query" -s Quillmark Quillmark "x64;1033" "{$placeholder}"
after=$(date +%s)

# wixl and msibuild write the clock into the summary information's creation
# and save times, and msitools has no way to set them: each is a property of
# type VT_FILETIME (the tag 0x40, then 100 ns since 1601), found by its value,
# within the seconds they ran, and overwritten in place. Then the package
# code, derived from the SHA-256 of the package as it stands, is written over
# the placeholder, which has its length.
package_code=$(python3 - "$out" "$before" "$after" "$epoch" "$upgrade_code" "$placeholder" <<'EOF'
import hashlib, re, struct, sys, uuid
path, before, after, epoch = sys.argv[1], *map(int, sys.argv[2:5])
upgrade, placeholder = uuid.UUID(sys.argv[5]), ("{%s}" % sys.argv[6]).encode()
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
if data.count(placeholder) != 1:
    sys.exit(f"{path}: the package code's placeholder is there {data.count(placeholder)} times, expected once")
code = str(uuid.uuid5(upgrade, "package " + hashlib.sha256(data).hexdigest())).upper()
at = data.index(placeholder)
data[at:at + len(placeholder)] = ("{%s}" % code).encode()
open(path, "wb").write(data)
print(code)
EOF
)
log "built $out (version $version, product {$product_code}, package {$package_code})"
