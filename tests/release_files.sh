#!/usr/bin/env bash
# What a release promises, checked on what the release's own scripts make of
# the built program:
# - scripts/package.sh, twice, in folders of other names: the same bytes; the
#   checksum file verifies; the ZIP holds this version's README.txt, the
#   licence and Quillmark.exe, at SOURCE_DATE_EPOCH with fixed permissions;
#   the installer keeps the released packages' upgrade code, its shortcut
#   names a file it installs, and its package code changes with its bytes
#   (an edit of the WiX source in a scratch copy of the scripts) and only so;
# - signed with a throwaway CA's code-signing certificate (PKCS#12, and a
#   PKCS#11 key in SoftHSM): the ZIP's and the installer's Quillmark.exe and
#   the installer verify against that CA, and the signature taken off gives
#   back the unsigned exe; scripts/reproduce.sh --against passes on the
#   signed downloads and fails when one byte of one changes;
# - scripts/manifests.sh: the manifests meet the winget schema they name and
#   Scoop's, and each path they name is in its download;
# - scripts/release-check.sh takes v<version> and nothing like it;
# - scripts/publish.sh, with a stand-in for gh: drafts, uploads and checks
#   before it publishes, and publishes nothing when a step fails.
#   bash tests/release_files.sh BUILD_DIR WORK_DIR
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

BUILD=$1 WORK=$2
VERSION=$(project_version)
NAME=Quillmark-$VERSION-win64
# The upgrade code of every released package: with another, an installer no
# longer replaces the installed version.
UPGRADE_CODE='{72E427F3-D8C9-4D28-92DD-9CC744D36131}'
export SOURCE_DATE_EPOCH=1700000000 QUILLMARK_RELEASE_DATE=2026-12-10
unset "${!QUILLMARK_SIGN_@}"
install_packages osslsigncode openssl softhsm2 libengine-pkcs11-openssl
rm -rf "$WORK"
# The scripts' temporary folders too stay under the build tree.
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
# Packs into WORK/FOLDER, with package.sh's other arguments after it.
pack() {
    local folder=$WORK/$1 printed
    shift
    printed=$(BUILD_DIR=$BUILD bash "$QUILLMARK_ROOT/scripts/package.sh" --built --out "$folder" "$@" 2>"$folder.log") || {
        cat "$folder.log"
        exit 1
    }
    [ "$printed" = "$folder/$NAME.zip" ] || fail "package.sh printed '$printed', not the ZIP's path"
}

# --- the unsigned packages --------------------------------------------------------
U=$WORK/unsigned
pack unsigned
pack "unsigned again"
for file in "$NAME.zip" "$NAME.msi"; do
    cmp -s "$U/$file" "$WORK/unsigned again/$file" || fail "two packings of one build differ: $file"
done
python3 - "$U/$NAME.zip" "$NAME" "$VERSION" "$QUILLMARK_ROOT/LICENSE" <<'EOF' || fail "the ZIP's entries"
import sys, time, zipfile
path, name, version, licence = sys.argv[1:]
archive = zipfile.ZipFile(path)
got = {e.filename: (e.date_time, e.external_attr >> 16 & 0o777) for e in archive.infolist()}
when = time.gmtime(1700000000)[:6]  # an even second: a ZIP keeps times in steps of two
want = {f"{name}/{file}": (when, mode) for file, mode in
        (("LICENSE.txt", 0o644), ("Quillmark.exe", 0o755), ("README.txt", 0o644))}
readme = archive.read(f"{name}/README.txt").decode()
faults = [f"entries: got {got}, expected {want}"] if got != want else []
faults += [f"README.txt names no {text}" for text in (f"version {version}.", f"Quillmark-{version}-win64.zip")
           if text not in readme]
faults += ["LICENSE.txt is not LICENSE"] if archive.read(f"{name}/LICENSE.txt") != open(licence, "rb").read() else []
sys.exit("\n".join(faults) or None)
EOF
grep -q "^signature none$" "$U/Quillmark-$VERSION-build.txt" || fail "the unsigned build's record: $(grep signature "$U"/*build.txt)"
! has_signature "$U/package/$NAME/Quillmark.exe" || fail "the unsigned Quillmark.exe carries a signature"
# The same exe, version and times give the same package; the WiX source
# edited in a scratch copy of the scripts, another package code.
msiexe=$U/package/$NAME/Quillmark.exe
bash "$QUILLMARK_ROOT/scripts/msi.sh" "$msiexe" "$VERSION" "$WORK/same.msi" 2>/dev/null
cmp -s "$WORK/same.msi" "$U/$NAME.msi" || fail "msi.sh gave other bytes for the same inputs"
mkdir -p "$WORK/copy/app/icons"
cp -r "$QUILLMARK_ROOT/scripts" "$QUILLMARK_ROOT/packaging" "$QUILLMARK_ROOT/LICENSE" "$QUILLMARK_ROOT/CMakeLists.txt" "$WORK/copy/"
cp "$QUILLMARK_ROOT/app/icons/quill.ico" "$WORK/copy/app/icons/"
sed -i 's/Description="A small drawing program"/Description="A drawing program"/' "$WORK/copy/packaging/Quillmark.wxs"
bash "$WORK/copy/scripts/msi.sh" "$msiexe" "$VERSION" "$WORK/edited.msi" 2>/dev/null
codes=$(for msi in "$U/$NAME.msi" "$WORK/edited.msi"; do msiinfo suminfo "$msi" | sed -n 's/^Revision number (UUID): //p'; done)
[ "$(sort -u <<<"$codes" | grep -c .)" -eq 2 ] || fail "an edited WiX source gave the same package code: $codes"

# --- signed, and rebuilt from the published signatures ------------------------------
CA=$WORK/ca
mkdir -p "$CA"
(
    cd "$CA"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Quillmark Test CA" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Quillmark Test Signer"
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile ext -out signer.pem
    openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.p12 -passout pass:secret
) >/dev/null 2>&1
S=$WORK/signed
QUILLMARK_SIGN_PKCS12=$CA/signer.p12 QUILLMARK_SIGN_PASSWORD=secret QUILLMARK_SIGN_CAFILE=$CA/ca.pem pack signed
mkdir -p "$WORK/inside"
unzip -q -o "$S/$NAME.zip" -d "$WORK/inside/zip"
msiextract -C "$WORK/inside/msi" "$S/$NAME.msi" >/dev/null
msi_exe=$(find "$WORK/inside/msi" -name Quillmark.exe)
for folder in "$U" "$S"; do
    (cd "$folder" && sha256sum -c --strict --quiet "Quillmark-$VERSION-SHA256SUMS.txt") || fail "the checksum file in $folder"
done
for file in "$WORK/inside/zip/$NAME/Quillmark.exe" "$msi_exe" "$S/$NAME.msi"; do
    osslsigncode verify -CAfile "$CA/ca.pem" -in "$file" >"$WORK/verify.log" 2>&1 ||
        fail "no signature that verifies against the test CA: $file ($(tail -1 "$WORK/verify.log"))"
done
cmp -s "$msi_exe" "$WORK/inside/zip/$NAME/Quillmark.exe" || fail "the installer's Quillmark.exe is not the ZIP's"
osslsigncode remove-signature -in "$msi_exe" -out "$WORK/unsigned.exe" >/dev/null 2>&1
cmp -s "$WORK/unsigned.exe" "$U/package/$NAME/Quillmark.exe" ||
    fail "the installer's Quillmark.exe without its signature is not the unsigned build's"
# A key in a PKCS#11 token (SoftHSM's) signs too.
export SOFTHSM2_CONF=$WORK/softhsm2.conf
mkdir -p "$WORK/tokens"
echo "directories.tokendir = $WORK/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label quillmark --pin 1234 --so-pin 5678 >/dev/null
openssl pkcs8 -topk8 -nocrypt -in "$CA/signer.key" -out "$CA/signer.p8"
softhsm2-util --import "$CA/signer.p8" --token quillmark --label signer --id 01 --pin 1234 >/dev/null
cp "$U/package/$NAME/Quillmark.exe" "$WORK/token.exe"
QUILLMARK_SIGN_PKCS11_MODULE=$(find /usr/lib -name libsofthsm2.so -print -quit) QUILLMARK_SIGN_PASSWORD=1234 \
    QUILLMARK_SIGN_PKCS11_KEY='pkcs11:token=quillmark;object=signer;type=private' \
    QUILLMARK_SIGN_CERT=$CA/signer.pem QUILLMARK_SIGN_CAFILE=$CA/ca.pem \
    bash "$QUILLMARK_ROOT/scripts/sign.sh" "$WORK/token.exe" 2>"$WORK/token.log" || fail "PKCS#11: $(cat "$WORK/token.log")"
# Rebuilt here with the published signatures: the same bytes, and a byte
# changed in a published file is found.
reproduce() { BUILD_DIR=$BUILD bash "$QUILLMARK_ROOT/scripts/reproduce.sh" --against "$1" --built 2>"$WORK/reproduce.log"; }
reproduce "$S" >"$WORK/reproduce.out" || fail "reproduce.sh --against the signed downloads: $(cat "$WORK/reproduce.out" "$WORK/reproduce.log")"
cp -r "$S" "$WORK/changed"
printf '\x01' | dd of="$WORK/changed/$NAME.msi" bs=1 seek=$(($(stat -c %s "$S/$NAME.msi") - 2)) conv=notrunc status=none
(cd "$WORK/changed" && sha256sum "$NAME.msi" "$NAME.zip" >"Quillmark-$VERSION-SHA256SUMS.txt")
if reproduce "$WORK/changed" >"$WORK/reproduce.out" || ! grep -q "^DIFFERS: $NAME.msi" "$WORK/reproduce.out"; then
    fail "reproduce.sh --against passed a changed installer: $(cat "$WORK/reproduce.out")"
fi

# --- the manifests, as the catalogues read them ---------------------------------------
bash "$QUILLMARK_ROOT/scripts/manifests.sh" owner/quillmark "$WORK/manifests" "$S/$NAME.msi" "$S/$NAME.zip" >/dev/null
python3 "$(dirname "$0")/release_manifests.py" "$WORK/manifests" "$S" "$VERSION" "$UPGRADE_CODE" || failed=1

# The README and docs/releases.md name this version's files and tag.
# shellcheck disable=SC2016 # the backquotes are Markdown's
stale=$(grep -ho -E 'Quillmark-[0-9.]+-|`v[0-9.]+` now' "$QUILLMARK_ROOT/README.md" "$QUILLMARK_ROOT/docs/releases.md" |
    sort -u | grep -v -x -F -e "Quillmark-$VERSION-" -e "\`v$VERSION\` now" || true)
[ -z "$stale" ] || fail "the README or docs/releases.md name another version: $stale"

# --- the tag check --------------------------------------------------------------------
for row in "v$VERSION 0" "v$VERSION.0 1" "v$VERSION.1 1" "v$VERSION-rc1 1" "v${VERSION}a 1" "v${VERSION//./_} 1" \
    "$VERSION 1" "V$VERSION 1" "version$VERSION 1" "refs/tags/v$VERSION 1"; do
    code=0
    bash "$QUILLMARK_ROOT/scripts/release-check.sh" "${row% *}" >/dev/null 2>&1 || code=$?
    [ "$((code != 0))" = "${row#* }" ] || fail "release-check.sh ${row% *}: exit code $code, expected $([ "${row#* }" = 0 ] && echo 0 || echo nonzero)"
done

# --- publishing, all or nothing --------------------------------------------------------
mkdir -p "$WORK/bin"
cat >"$WORK/bin/gh" <<'EOF'
#!/usr/bin/env bash
# A stand-in for the GitHub CLI: logs each call with its --draft flag,
# answers release list from $GH_STATE/releases, and keeps the names and sizes
# of the files uploaded, all of them, all but the last (upload "drops") or
# none, failing (upload "fails").
echo "$2" "$(printf '%s\n' "$@" | grep -- '^--draft' || true)" >>"$GH_STATE/calls"
case "$1 $2" in
"release list") cat "$GH_STATE/releases" ;;
"release upload")
    [ "$(cat "$GH_STATE/upload")" != fails ] || exit 1
    for file in "${@:4}"; do [ "$file" != --repo ] || break; echo "${file##*/} $(stat -c %s "$file")"; done |
        if [ "$(cat "$GH_STATE/upload")" = drops ]; then sed '$d'; else cat; fi >>"$GH_STATE/assets"
    ;;
"release view") cat "$GH_STATE/assets" ;;
esac
EOF
chmod +x "$WORK/bin/gh"
mkdir -p "$WORK/publish"
cp "$U"/Quillmark-* "$WORK/publish/"
cp -r "$WORK/manifests" "$WORK/publish/"
# A row: the releases there (published or a draft, by tag), what becomes of
# the upload, the calls expected and publish.sh's exit status.
while IFS='|' read -r releases upload calls status; do
    export GH_STATE=$WORK/gh
    rm -rf "$GH_STATE" && mkdir -p "$GH_STATE"
    printf '%s\n' "${releases//;/$'\n'}" >"$GH_STATE/releases"
    echo "$upload" >"$GH_STATE/upload"
    code=0
    PATH=$WORK/bin:$PATH GITHUB_REPOSITORY=owner/quillmark \
        bash "$QUILLMARK_ROOT/scripts/publish.sh" "v$VERSION" "$WORK/publish" >"$GH_STATE/out" 2>&1 || code=$?
    got=$(sed 's/ $//' "$GH_STATE/calls" | paste -s -d ,)
    if [ "$got" != "$calls" ] || [ "$((code != 0))" != "$status" ]; then
        fail "publish.sh with releases '$releases', upload $upload: calls '$got', exit code $code; expected '$calls', status $status: $(cat "$GH_STATE/out")"
    fi
done <<EOF
|ok|list,create --draft,upload,view,edit --draft=false|0
|fails|list,create --draft,upload|1
|drops|list,create --draft,upload,view|1
true v$VERSION;false v0.9|ok|list,delete,create --draft,upload,view,edit --draft=false|0
false v$VERSION|ok|list|1
EOF
grep -q '^\*\*Unsigned\.\*\*' "$WORK/publish.notes" || fail "the release notes of unsigned downloads: $(cat "$WORK/publish.notes")"
exit "$failed"
