#!/usr/bin/env bash
# What a release promises, checked on what the release's own scripts make of
# the built program:
# - packaging/package.sh, twice, in folders of other names: the same bytes; the
#   checksum file verifies; the ZIP holds this version's README.txt, the
#   licence and Quillmark.exe, at SOURCE_DATE_EPOCH with fixed permissions;
#   the installer keeps the released packages' upgrade code, its shortcut
#   names a file it installs, and its package code changes with its bytes
#   (an edit of the WiX source in a scratch copy of the scripts) and only so;
# - signed with a throwaway CA's code-signing certificate (PKCS#12, also as
#   base64 text, and a PKCS#11 key in SoftHSM) and time-stamped by that CA's
#   time-stamp server on 127.0.0.1: the ZIP's and the installer's
#   Quillmark.exe and the installer verify against that CA, time stamp
#   included, and the signature taken off gives back the unsigned exe;
#   sign.sh refuses a key without a time-stamp server, and text that is no
#   key or CA; packaging/reproduce.sh --against passes on the signed downloads,
#   printing signer and time stamp, and fails when one byte of one changes,
#   when the installer or the exe carries another file's signature, and when
#   the root is not trusted;
# - packaging/manifests.sh: the manifests meet the winget schema they name and
#   Scoop's, and each path they name is in its download;
# - packaging/release-check.sh takes v<version> and nothing like it;
# - packaging/publish.sh, with a stand-in for gh: drafts, uploads and checks
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
install_packages osslsigncode openssl softhsm2 libengine-pkcs11-openssl ca-certificates
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
    printed=$(BUILD_DIR=$BUILD bash "$QUILLMARK_ROOT/packaging/package.sh" --built --out "$folder" "$@" 2>"$folder.log") || {
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
bash "$QUILLMARK_ROOT/packaging/msi.sh" "$msiexe" "$VERSION" "$WORK/same.msi" 2>/dev/null
cmp -s "$WORK/same.msi" "$U/$NAME.msi" || fail "msi.sh gave other bytes for the same inputs"
mkdir -p "$WORK/copy/app/icons"
cp -r "$QUILLMARK_ROOT/scripts" "$QUILLMARK_ROOT/packaging" "$QUILLMARK_ROOT/LICENSE" "$QUILLMARK_ROOT/CMakeLists.txt" "$WORK/copy/"
cp "$QUILLMARK_ROOT/app/icons/quill.ico" "$WORK/copy/app/icons/"
sed -i 's/Description="A small drawing program"/Description="A drawing program"/' "$WORK/copy/packaging/Quillmark.wxs"
bash "$WORK/copy/packaging/msi.sh" "$msiexe" "$VERSION" "$WORK/edited.msi" 2>/dev/null
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
    # The time-stamp authority's certificate has timeStamping, critical, as
    # its one purpose (RFC 3161).
    openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=Quillmark Test TSA"
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' >tsa.ext
    openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile tsa.ext -out tsa.pem
    printf '%s\n' '[tsa]' 'default_tsa = stamp' '[stamp]' 'serial = tsa.serial' 'signer_cert = tsa.pem' \
        'signer_key = tsa.key' 'signer_digest = sha256' 'default_policy = 1.3.6.1.4.1.4.1' \
        'digests = sha1, sha256, sha384, sha512' 'accuracy = secs:1' 'ess_cert_id_alg = sha256' >tsa.cnf
) >/dev/null 2>&1
# A time-stamp server on 127.0.0.1 with that key: openssl ts answers each
# query that osslsigncode posts.
(cd "$CA" && exec python3 - tsa.cnf tsa.port) <<'EOF' &
import http.server, os, subprocess, sys, tempfile
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        with tempfile.TemporaryDirectory() as folder:
            query, answer = os.path.join(folder, "query"), os.path.join(folder, "reply")
            with open(query, "wb") as out:
                out.write(self.rfile.read(int(self.headers["Content-Length"])))
            subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", query, "-out", answer],
                           capture_output=True)
            reply = open(answer, "rb").read() if os.path.exists(answer) else b""
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamp)
with open(sys.argv[2] + ".new", "w") as port:
    port.write(str(server.server_address[1]))
os.rename(sys.argv[2] + ".new", sys.argv[2])
server.serve_forever()
EOF
tsa_pid=$!
trap 'kill "$tsa_pid" 2>/dev/null || true' EXIT
for _ in $(seq 150); do [ -f "$CA/tsa.port" ] || sleep 0.2; done
TSA=http://127.0.0.1:$(cat "$CA/tsa.port")
signed_from=$(date +%s)
S=$WORK/signed
QUILLMARK_SIGN_PKCS12=$CA/signer.p12 QUILLMARK_SIGN_PASSWORD=secret QUILLMARK_SIGN_CAFILE=$CA/ca.pem \
    QUILLMARK_SIGN_TIMESTAMP=$TSA pack signed
mkdir -p "$WORK/inside"
unzip -q -o "$S/$NAME.zip" -d "$WORK/inside/zip"
msiextract -C "$WORK/inside/msi" "$S/$NAME.msi" >/dev/null
msi_exe=$(find "$WORK/inside/msi" -name Quillmark.exe)
for folder in "$U" "$S"; do
    (cd "$folder" && sha256sum -c --strict --quiet "Quillmark-$VERSION-SHA256SUMS.txt") || fail "the checksum file in $folder"
done
for file in "$WORK/inside/zip/$NAME/Quillmark.exe" "$msi_exe" "$S/$NAME.msi"; do
    osslsigncode verify -CAfile "$CA/ca.pem" -TSA-CAfile "$CA/ca.pem" -in "$file" >"$WORK/verify.log" 2>&1 ||
        fail "no signature that verifies against the test CA: $file ($(tail -1 "$WORK/verify.log"))"
    # 2.9 says "Timestamp time:", 2.5 "The signature is timestamped:".
    grep -q -E 'Timestamp time: |The signature is timestamped: ' "$WORK/verify.log" ||
        fail "no time stamp in the signature of $file: $(grep -i timestamp "$WORK/verify.log")"
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
    QUILLMARK_SIGN_CERT=$CA/signer.pem QUILLMARK_SIGN_CAFILE=$CA/ca.pem QUILLMARK_SIGN_TIMESTAMP=$TSA \
    bash "$QUILLMARK_ROOT/packaging/sign.sh" "$WORK/token.exe" 2>"$WORK/token.log" || fail "PKCS#11: $(cat "$WORK/token.log")"
# The forms a CI secret gives (base64 and PEM text), and what sign.sh
# refuses: a row is the key's form, the CA file's, the time-stamp server and
# the line expected ("signed" when it signs and verifies).
while IFS='|' read -r key roots stamp expected; do
    row=(QUILLMARK_SIGN_PASSWORD=secret)
    case $key in
    file) row+=("QUILLMARK_SIGN_PKCS12=$CA/signer.p12") ;;
    base64) row+=("QUILLMARK_SIGN_PKCS12=$(base64 "$CA/signer.p12")") ;;
    neither) row+=("QUILLMARK_SIGN_PKCS12=$CA/no such key.p12") ;;
    esac
    case $roots in
    file) row+=("QUILLMARK_SIGN_CAFILE=$CA/ca.pem") ;;
    pem) row+=("QUILLMARK_SIGN_CAFILE=$(cat "$CA/ca.pem")") ;;
    neither) row+=("QUILLMARK_SIGN_CAFILE=$CA/no-such-ca.pem") ;;
    absent) row+=("SSL_CERT_FILE=$WORK/no-bundle.pem") ;; # the system's bundle, not there
    esac
    case $stamp in
    tsa) row+=("QUILLMARK_SIGN_TIMESTAMP=$TSA") ;;
    closed) row+=("QUILLMARK_SIGN_TIMESTAMP=http://127.0.0.1:1") ;;
    esac
    cp "$U/package/$NAME/Quillmark.exe" "$WORK/row.exe"
    code=0
    env "${row[@]}" bash "$QUILLMARK_ROOT/packaging/sign.sh" "$WORK/row.exe" >"$WORK/row.log" 2>&1 || code=$?
    if [ "$expected" = signed ]; then
        got=$(QUILLMARK_SIGN_CAFILE=$CA/ca.pem bash "$QUILLMARK_ROOT/packaging/sign.sh" --verify "$WORK/row.exe" 2>&1) || code=$?
        [[ $code = 0 && $got == "signed by CN=Quillmark Test Signer, time-stamped "* ]] ||
            fail "sign.sh with the key as $key, the CA as $roots, the stamp $stamp: exit code $code, '$got'; expected a signature by the test signer, time-stamped: $(cat "$WORK/row.log")"
    else
        # Refused, or with no key nothing to do: the file as it was either way.
        want=1
        [ "$key" != none ] || want=0
        if [ "$((code != 0))" != "$want" ] || ! grep -q -F -- "$expected" "$WORK/row.log" ||
            ! cmp -s "$WORK/row.exe" "$U/package/$NAME/Quillmark.exe"; then
            fail "sign.sh with the key as $key, the CA as $roots, the stamp $stamp: exit code $code, '$(cat "$WORK/row.log")'; expected $([ "$want" = 0 ] && echo 0 || echo nonzero), '$expected' and the file as it was"
        fi
    fi
done <<EOF
base64|pem|tsa|signed
neither|file|tsa|sign.sh: QUILLMARK_SIGN_PKCS12 names no file, and does not hold one's content (base64) either
file|neither|tsa|sign.sh: QUILLMARK_SIGN_CAFILE names no file, and does not hold one's content (pem) either
file|file|none|sign.sh: a signing key is given but no time-stamp server (QUILLMARK_SIGN_TIMESTAMP
file|file|closed|sign.sh: signing $WORK/row.exe failed (the key, or the time-stamp server http://127.0.0.1:1)
file|absent|tsa|sign.sh: no certificate bundle at $WORK/no-bundle.pem
none|absent|none|no signing key given
EOF
# Rebuilt here with the published signatures, each verified first: the same
# bytes, the signer and the time stamp printed; a byte changed in a
# published file is found.
reproduce() { BUILD_DIR=$BUILD bash "$QUILLMARK_ROOT/packaging/reproduce.sh" --against "$@" 2>"$WORK/reproduce.log"; }
reproduce "$S" --ca "$CA/ca.pem" --built >"$WORK/reproduce.out" ||
    fail "reproduce.sh --against the signed downloads: $(cat "$WORK/reproduce.out" "$WORK/reproduce.log")"
for what in "$NAME.zip's $NAME/Quillmark.exe" "$NAME.msi"; do
    line=$(grep -F "signature verifies: $what, " "$WORK/reproduce.out" || true)
    stamp=$(date -d "${line##*, time-stamped }" +%s 2>/dev/null) || stamp=0
    if [[ $line != *", signed by CN=Quillmark Test Signer, time-stamped "* ]] ||
        [ "$stamp" -lt $((signed_from - 1)) ] || [ "$stamp" -gt "$(date +%s)" ]; then
        fail "reproduce.sh on the signature of $what: '$line'; expected the test signer and a time stamp since $(date -u -d "@$signed_from")"
    fi
done
cp -r "$S" "$WORK/changed"
printf '\x01' | dd of="$WORK/changed/$NAME.msi" bs=1 seek=$(($(stat -c %s "$S/$NAME.msi") - 2)) conv=notrunc status=none
(cd "$WORK/changed" && sha256sum "$NAME.msi" "$NAME.zip" >"Quillmark-$VERSION-SHA256SUMS.txt")
if reproduce "$WORK/changed" --ca "$CA/ca.pem" --built >"$WORK/reproduce.out" || ! grep -q "^DIFFERS: $NAME.msi" "$WORK/reproduce.out"; then
    fail "reproduce.sh --against passed a changed installer: $(cat "$WORK/reproduce.out")"
fi
# A release whose installer, or whose exe, carries another file's signature:
# copied onto the rebuild, it would give the published bytes again.
signing=("QUILLMARK_SIGN_PKCS12=$CA/signer.p12" QUILLMARK_SIGN_PASSWORD=secret "QUILLMARK_SIGN_CAFILE=$CA/ca.pem"
    "QUILLMARK_SIGN_TIMESTAMP=$TSA")
F=$WORK/foreign
mkdir -p "$F/msi" "$F/exe/package/$NAME"
# Each is made without osslsigncode's attach-signature, which newer
# versions refuse to write for a signature that does not fit: a copy with
# some bytes changed is signed, and then the bytes are put back, leaving the
# release's own bytes under the signature of others.
# foreign/msi: this release's installer, signed as one whose summary says
# otherwise.
bash "$QUILLMARK_ROOT/packaging/msi.sh" "$S/package/$NAME/Quillmark.exe" "$VERSION" "$F/plain.msi" 2>/dev/null
swap() { python3 -c 'import sys
path, old, new = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
data = open(path, "rb").read()
assert data.count(old) == 1, f"{path}: {old!r} {data.count(old)} times"
open(path, "wb").write(data.replace(old, new))' "$@"; }
cp "$F/plain.msi" "$F/msi/$NAME.msi"
swap "$F/msi/$NAME.msi" "contains the logic" "contains the LOGIC"
# foreign/exe: the unsigned build's exe, signed as one whose DOS stub says
# otherwise, in a ZIP and an installer packed as package.sh does.
cp "$U/package/$NAME/Quillmark.exe" "$F/exe/package/$NAME/Quillmark.exe"
swap "$F/exe/package/$NAME/Quillmark.exe" "This program cannot" "This program CANNOT"
env "${signing[@]}" bash "$QUILLMARK_ROOT/packaging/sign.sh" "$F/msi/$NAME.msi" "$F/exe/package/$NAME/Quillmark.exe" 2>/dev/null
swap "$F/msi/$NAME.msi" "contains the LOGIC" "contains the logic"
swap "$F/exe/package/$NAME/Quillmark.exe" "This program CANNOT" "This program cannot"
cp "$S/$NAME.zip" "$F/msi/"
cp "$U/package/$NAME/README.txt" "$U/package/$NAME/LICENSE.txt" "$F/exe/package/$NAME/"
pack_zip "$F/exe/package" "$NAME" "$F/exe/$NAME.zip"
bash "$QUILLMARK_ROOT/packaging/msi.sh" "$F/exe/package/$NAME/Quillmark.exe" "$VERSION" "$F/exe/$NAME.msi" 2>/dev/null
env "${signing[@]}" bash "$QUILLMARK_ROOT/packaging/sign.sh" "$F/exe/$NAME.msi" 2>/dev/null
for folder in msi exe; do (cd "$F/$folder" && sha256sum "$NAME.msi" "$NAME.zip" >"Quillmark-$VERSION-SHA256SUMS.txt"); done
# A row: the folder, reproduce.sh's arguments after it, and the start of a
# line it must print, for a check that must fail.
while IFS='|' read -r folder options expected; do
    read -r -a options <<<"$options"
    if reproduce "$WORK/$folder" "${options[@]}" >"$WORK/reproduce.out" ||
        ! grep -q -F -- "$expected" "$WORK/reproduce.out" "$WORK/reproduce.log"; then
        fail "reproduce.sh --against $folder ${options[*]} passed or said otherwise: $(cat "$WORK/reproduce.out" "$WORK/reproduce.log"); expected a failure and '$expected'"
    fi
done <<EOF
foreign/msi|--ca $CA/ca.pem --built|BAD SIGNATURE: $NAME.msi: the signature is not this file's: its DigitalSignature is
foreign/exe|--ca $CA/ca.pem --built|BAD SIGNATURE: $NAME.zip's $NAME/Quillmark.exe: the signature is not this file's: its message digest is
signed|--built|BAD SIGNATURE: $NAME.msi: the signature by CN=Quillmark Test Signer does not verify against
signed|--ca $CA/ca.pem --tag v0-no-such-tag|no tag v0-no-such-tag in $QUILLMARK_ROOT
EOF
# package.sh --signatures-from refuses a signature that does not fit. (One
# whose root this machine does not trust it attaches: reproduce.sh, which
# checked the chain itself, leaves package.sh the system's bundle.)
code=0
BUILD_DIR=$BUILD bash "$QUILLMARK_ROOT/packaging/package.sh" --built --out "$WORK/attached" \
    --signatures-from "$F/msi" >/dev/null 2>"$WORK/attached.log" || code=$?
if [ "$code" = 0 ] || ! grep -q -F "the signature of the published $NAME.msi does not fit" "$WORK/attached.log"; then
    fail "package.sh --signatures-from foreign/msi: exit code $code, $(tail -n 3 "$WORK/attached.log"); expected a failure naming the installer's signature"
fi

# --- the manifests, as the catalogues read them ---------------------------------------
bash "$QUILLMARK_ROOT/packaging/manifests.sh" owner/quillmark "$WORK/manifests" "$S/$NAME.msi" "$S/$NAME.zip" >/dev/null
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
    bash "$QUILLMARK_ROOT/packaging/release-check.sh" "${row% *}" >/dev/null 2>&1 || code=$?
    [ "$((code != 0))" = "${row#* }" ] || fail "release-check.sh ${row% *}: exit code $code, expected $([ "${row#* }" = 0 ] && echo 0 || echo nonzero)"
done

# --- publishing, all or nothing --------------------------------------------------------
mkdir -p "$WORK/bin"
cat >"$WORK/bin/gh" <<'EOF'
#!/usr/bin/env bash
# A stand-in for the GitHub CLI and the releases of one repository, kept in
# $GH_STATE/releases, a line a release: its id, true for a draft, its tag.
# Logs each call by a short name. The list is served 100 to a page, all of
# them only with --paginate, and fails where $GH_STATE/list says so; a
# create drafts the tag twice where it says "race" (another run at the same
# moment); the upload keeps the names and sizes of all the files, all but the
# last ("drops") or fails ("fails"), as $GH_STATE/upload says.
state=$GH_STATE
call() { echo "$1" >>"$state/calls"; }
case "$1 $2" in
"api --paginate" | api\ repos/*/releases\?*)
    call list
    [ "$(cat "$state/list")" != fails ] || exit 1
    if [ "$2" = --paginate ]; then cat "$state/releases"; else head -n 100 "$state/releases"; fi
    ;;
"api -X")
    id=${4##*/}
    if [ "$3" = DELETE ]; then
        call delete
        sed -i "/^$id /d" "$state/releases"
    else
        call publish
        sed -i "s/^$id true /$id false /" "$state/releases"
        echo false
    fi
    ;;
api\ repos/*)
    call view
    cat "$state/assets"
    ;;
"release create")
    call create
    echo "$((1000 + $(wc -l <"$state/releases"))) true $3" >>"$state/releases"
    [ "$(cat "$state/list")" != race ] || echo "999 true $3" >>"$state/releases"
    ;;
"release upload")
    call upload
    [ "$(cat "$state/upload")" != fails ] || exit 1
    for file in "${@:4}"; do [ "$file" != --repo ] || break; echo "${file##*/} $(stat -c %s "$file")"; done |
        if [ "$(cat "$state/upload")" = drops ]; then sed '$d'; else cat; fi >>"$state/assets"
    ;;
*) exit 2 ;;
esac
EOF
chmod +x "$WORK/bin/gh"
mkdir -p "$WORK/publish"
cp "$U"/Quillmark-* "$WORK/publish/"
cp -r "$WORK/manifests" "$WORK/publish/"
# A row: the releases there before (id, true for a draft, tag; ";" between
# them), what becomes of the list and of the upload, the calls expected and
# publish.sh's exit status. "150 before;" puts a hundred and fifty releases
# of other tags first, so that the tag's is on the second page.
while IFS='|' read -r releases list upload calls status; do
    export GH_STATE=$WORK/gh
    rm -rf "$GH_STATE" && mkdir -p "$GH_STATE"
    touch "$GH_STATE/releases"
    if [[ $releases == "150 before;"* ]]; then
        for i in $(seq 150); do echo "$i false v0.$i"; done >"$GH_STATE/releases"
        releases=${releases#150 before;}
    fi
    [ -z "$releases" ] || printf '%s\n' "${releases//;/$'\n'}" >>"$GH_STATE/releases"
    echo "$list" >"$GH_STATE/list"
    echo "$upload" >"$GH_STATE/upload"
    code=0
    PATH=$WORK/bin:$PATH GITHUB_REPOSITORY=owner/quillmark \
        bash "$QUILLMARK_ROOT/packaging/publish.sh" "v$VERSION" "$WORK/publish" >"$GH_STATE/out" 2>&1 || code=$?
    got=$(paste -s -d , "$GH_STATE/calls")
    if [ "$got" != "$calls" ] || [ "$((code != 0))" != "$status" ]; then
        fail "publish.sh with releases '$releases', list $list, upload $upload: calls '$got', exit code $code; expected '$calls', status $status: $(cat "$GH_STATE/out")"
    elif [ "$status" = 0 ] && [ "$(grep -c " v$VERSION\$" "$GH_STATE/releases")" != 1 ]; then
        fail "publish.sh with releases '$releases': exit code 0, but v$VERSION is not one published release: $(cat "$GH_STATE/releases")"
    elif [ "$status" = 0 ] && ! grep -q " false v$VERSION\$" "$GH_STATE/releases"; then
        fail "publish.sh with releases '$releases': exit code 0, but v$VERSION is still a draft"
    fi
done <<EOF
|ok|ok|list,create,list,upload,view,list,publish|0
|ok|fails|list,create,list,upload|1
|ok|drops|list,create,list,upload,view|1
7 true v$VERSION;8 true v$VERSION;9 false v0.9|ok|ok|list,delete,delete,create,list,upload,view,list,publish|0
9 false v$VERSION|ok|ok|list|1
150 before;9 false v$VERSION|ok|ok|list|1
|fails|ok|list|1
|race|ok|list,create,list|1
EOF
grep -q '^\*\*Unsigned\.\*\*' "$WORK/publish.notes" || fail "the release notes of unsigned downloads: $(cat "$WORK/publish.notes")"
exit "$failed"
