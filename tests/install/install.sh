#!/usr/bin/env bash
# The installer as a user meets it, under Wine in a fresh prefix of its own
# (with no display: Wine's null driver still makes windows):
#   bash tests/install/install.sh PATH/TO/Quillmark.exe PATH/TO/probe.exe VERSION
# Builds the package of VERSION and of the next major version with
# packaging/msi.sh, then walks one scenario: a per-machine install (ALLUSERS=1)
# is refused; a silent install puts the program, its Start menu shortcut and
# its uninstall entry where they belong; the installed program shows its
# window; the higher version replaces it, leaving one entry; the lower one is
# then refused; a silent uninstall removes it; an install into a folder of
# the user's with a space in its name (INSTALLFOLDER, as winget's --location
# gives it) puts the program there, an upgrade without a folder stays there,
# one with another folder moves it, and the uninstall removes it from there;
# and nothing of Quillmark's is left, no file, shortcut or registry key. Each
# step prints what it found when it fails.
set -euo pipefail
# shellcheck source=../../scripts/common.sh
source "$(dirname "$0")/../../scripts/common.sh"

START=$SECONDS
note() { printf 'install: %s\n' "$*"; }
fail() {
    printf 'install: FAILED: %s\n' "$*" >&2
    exit 1
}

EXE=${1:-} PROBE=${2:-} VERSION=${3:-}
if [ ! -f "$EXE" ] || [ ! -f "$PROBE" ] || [ -z "$VERSION" ]; then
    fail "usage: $0 PATH/TO/Quillmark.exe PATH/TO/probe.exe VERSION (got '$EXE' '$PROBE' '$VERSION')"
fi
HIGHER=$((${VERSION%%.*} + 1)).0 NEWEST=$((${VERSION%%.*} + 2)).0
WORK=$(cd "$(dirname "$EXE")" && pwd)/install-test
export WINEPREFIX=$PREFIX_HOME/wine-install
# Wine hands each Start menu shortcut to the Linux desktop's menus (files in
# the Linux user's home): not in the test.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"

finish() {
    local status=$?
    if [ -n "${QM_PID:-}" ]; then kill "$QM_PID" 2>/dev/null || true; fi
    stop_wineserver "$WINEPREFIX"
    if [ "$status" -eq 0 ]; then note "PASS in $((SECONDS - START)) s"; fi
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

rm -rf "$WORK"
mkdir -p "$WORK/tmp"
# Any fixed time: the packages' times do not matter here, and a copy of the
# sources need not be a git clone.
export SOURCE_DATE_EPOCH=1700000000
for v in "$VERSION" "$HIGHER" "$NEWEST"; do
    # Its temporary folder too under the build tree.
    TMPDIR=$WORK/tmp bash "$QUILLMARK_ROOT/packaging/msi.sh" "$EXE" "$v" "$WORK/Quillmark-$v.msi" 2>"$WORK/msi-$v.log" ||
        fail "building the package of $v: $(cat "$WORK/msi-$v.log")"
done

stop_wineserver "$WINEPREFIX"
rm -rf "$WINEPREFIX"
make_prefix "$WINEPREFIX" null
start_wineserver "$WINEPREFIX"

wine() { "$WINE" "$@" 2>/dev/null </dev/null | tr -d '\r'; }
msiexec() {
    local code=0
    "$WINE" msiexec "$@" /qn >/dev/null 2>&1 </dev/null || code=$?
    echo "$code"
}
unix_path() { wine winepath -u "$1"; }
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }'; }

# Where Windows puts a user's programs and Start menu, asked of this Wine.
LOCAL_APPDATA=$(wine cmd /c echo %LOCALAPPDATA%)
APPDATA=$(wine cmd /c echo %APPDATA%)
INSTALL_DIR="$LOCAL_APPDATA\\Programs\\Quillmark"
INSTALLED_EXE=$(unix_path "$INSTALL_DIR\\Quillmark.exe")
SHORTCUT=$(unix_path "$APPDATA\\Microsoft\\Windows\\Start Menu\\Programs\\Quillmark.lnk")
if [ -z "$INSTALLED_EXE" ] || [ -z "$SHORTCUT" ]; then
    fail "Wine gave no folders: LOCALAPPDATA '$LOCAL_APPDATA', APPDATA '$APPDATA'"
fi
UNINSTALL='Software\Microsoft\Windows\CurrentVersion\Uninstall'

# The uninstall entries named Quillmark, machine's and user's (Wine keeps a
# per-user product's under HKLM, Windows under HKCU), one a line: the key,
# its version, its publisher and its install location.
entries() {
    local root
    for root in HKLM HKCU; do
        { wine reg query "$root\\$UNINSTALL" /s || true; } | awk '
            /^HKEY_/ { flush(); key = $0; name = version = publisher = location = ""; next }
            $1 == "DisplayName" { name = value() }
            $1 == "DisplayVersion" { version = value() }
            $1 == "Publisher" { publisher = value() }
            $1 == "InstallLocation" { location = value() }
            function value(v) { v = $0; sub(/^ *[^ ]+ +REG_[A-Z_]+ */, "", v); return v }
            function flush() { if (name == "Quillmark") print key, version, publisher, location }
            END { flush() }'
    done
}

# Checks the one uninstall entry: product code, version, install location.
check_entry() {
    local step=$1 code=$2 version=$3 location=$4 seen
    seen=$(entries)
    [ "$(grep -c . <<<"$seen")" -eq 1 ] ||
        fail "$step: wanted one uninstall entry of Quillmark, found: ${seen:-none}"
    [[ $seen == *"\\$code $version Quillmark $location\\" ]] ||
        fail "$step: wanted the entry of product $code, version $version, publisher Quillmark, in $location\\; found: $seen"
}

# The icon Windows Installer keeps for the entry is the program's.
check_icon() {
    local icon
    icon=$(for root in 'HKCU\Software\Microsoft\Installer\Products' 'HKLM\Software\Classes\Installer\Products'; do
        { wine reg query "$root" /s || true; } | awk '$1 == "ProductIcon" && /Quillmark/ { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print }'
    done)
    [ -n "$icon" ] || fail "install: no ProductIcon among the installed products"
    cmp -s "$(unix_path "$icon")" "$QUILLMARK_ROOT/app/icons/quill.ico" ||
        fail "install: the uninstall entry's icon $icon is not app/icons/quill.ico"
}

# --- a per-machine install refused ---------------------------------------------
code=$(msiexec /i "$WORK/Quillmark-$VERSION.msi" ALLUSERS=1)
[ "$code" -ne 0 ] || fail "ALLUSERS=1: the install succeeded, wanted a refusal"
if [ -e "$INSTALLED_EXE" ] || [ -n "$(entries)" ]; then
    fail "ALLUSERS=1: refused (exit code $code), yet installed: $INSTALLED_EXE or $(entries)"
fi
note "a per-machine install (ALLUSERS=1) refused (exit code $code)"

# --- install ------------------------------------------------------------------
code=$(msiexec /i "$WORK/Quillmark-$VERSION.msi")
[ "$code" -eq 0 ] || fail "silent install of $VERSION: msiexec exit code $code"
cmp -s "$INSTALLED_EXE" "$EXE" || fail "install: no copy of Quillmark.exe at $INSTALLED_EXE"
[ -f "$SHORTCUT" ] || fail "install: no Start menu shortcut at $SHORTCUT"
grep -a -q -F "$INSTALL_DIR\\Quillmark.exe" "$SHORTCUT" ||
    fail "install: the shortcut $SHORTCUT does not name $INSTALL_DIR\\Quillmark.exe"
check_entry install "$(product_code "$WORK/Quillmark-$VERSION.msi")" "$VERSION" "$INSTALL_DIR"
check_icon
note "installed $VERSION: program, shortcut, uninstall entry with its icon"

# --- run ----------------------------------------------------------------------
"$WINE" "$INSTALLED_EXE" >/dev/null 2>&1 </dev/null &
QM_PID=$!
shown=
for _ in $(seq 60); do
    if shown=$(wine "$PROBE" window Quillmark) && [ -n "$shown" ]; then break; fi
    shown=
    kill -0 "$QM_PID" 2>/dev/null || break
    sleep 0.25
done
[ -n "$shown" ] || fail "run: the installed Quillmark.exe showed no window captioned Quillmark in 15 s"
kill "$QM_PID"
wait "$QM_PID" 2>/dev/null || true
QM_PID=
note "the installed program showed its window: $(head -1 <<<"$shown")"

# --- upgrade, and a downgrade refused --------------------------------------------
code=$(msiexec /i "$WORK/Quillmark-$HIGHER.msi")
[ "$code" -eq 0 ] || fail "silent install of $HIGHER over $VERSION: msiexec exit code $code"
check_entry upgrade "$(product_code "$WORK/Quillmark-$HIGHER.msi")" "$HIGHER" "$INSTALL_DIR"
cmp -s "$INSTALLED_EXE" "$EXE" || fail "upgrade: no Quillmark.exe at $INSTALLED_EXE"
code=$(msiexec /i "$WORK/Quillmark-$VERSION.msi")
[ "$code" -ne 0 ] || fail "downgrade: installing $VERSION over $HIGHER succeeded, wanted a refusal"
check_entry downgrade "$(product_code "$WORK/Quillmark-$HIGHER.msi")" "$HIGHER" "$INSTALL_DIR"
note "$HIGHER replaced $VERSION, leaving one entry; $VERSION then refused (exit code $code)"

# --- uninstall ----------------------------------------------------------------
code=$(msiexec /x "$WORK/Quillmark-$HIGHER.msi")
[ "$code" -eq 0 ] || fail "silent uninstall: msiexec exit code $code"

# --- into folders of the user's: given, kept, moved, then out again ---------------
# The folders' parents, made for them, are the user's and stay. A name with a
# space, in the forms a Windows caller gives msiexec: the whole property as
# one argument (Wine quotes it) or the value quoted. A form that installs
# elsewhere is undone; where this Wine's msiexec takes none, a name without
# a space.
PLACE='' tried=''
for form in 'INSTALLFOLDER=C:\My Tools\Drawing' 'INSTALLFOLDER="C:\My Tools\Drawing"'; do
    code=$(msiexec /i "$WORK/Quillmark-$VERSION.msi" "$form")
    if [ "$code" -eq 0 ] && cmp -s "$(unix_path 'C:\My Tools\Drawing\Quillmark.exe')" "$EXE"; then
        PLACE='C:\My Tools\Drawing'
        break
    fi
    tried+=" [$form]: exit code $code"
    if [ "$code" -eq 0 ]; then tried+=" elsewhere"; [ "$(msiexec /x "$WORK/Quillmark-$VERSION.msi")" -eq 0 ] || fail "undoing $form"; fi
done
if [ -z "$PLACE" ]; then
    note "this Wine's msiexec takes no folder with a space ($tried ); into C:\\MyTools\\Drawing instead"
    PLACE='C:\MyTools\Drawing'
    code=$(msiexec /i "$WORK/Quillmark-$VERSION.msi" "INSTALLFOLDER=$PLACE")
    [ "$code" -eq 0 ] || fail "install into $PLACE: msiexec exit code $code"
fi
MOVED='C:\Tools\Quillmark'
in_folder() {
    local step=$1 folder=$2 version=$3 gone
    cmp -s "$(unix_path "$folder\\Quillmark.exe")" "$EXE" || fail "$step: no copy of Quillmark.exe in $folder"
    grep -a -q -F "$folder\\Quillmark.exe" "$SHORTCUT" || fail "$step: the shortcut does not name $folder\\Quillmark.exe"
    check_entry "$step" "$(product_code "$WORK/Quillmark-$version.msi")" "$version" "$folder"
    for gone in "$INSTALL_DIR" "$PLACE" "$MOVED"; do
        [ "$gone" = "$folder" ] || [ ! -e "$(unix_path "$gone")" ] || fail "$step: $gone is there too"
    done
}
in_folder "install into $PLACE" "$PLACE" "$VERSION"
# The folder recorded by the installed version wins when none is given; a
# folder given wins over it.
code=$(msiexec /i "$WORK/Quillmark-$HIGHER.msi")
[ "$code" -eq 0 ] || fail "upgrade in $PLACE: msiexec exit code $code"
in_folder "upgrade without a folder" "$PLACE" "$HIGHER"
code=$(msiexec /i "$WORK/Quillmark-$NEWEST.msi" "INSTALLFOLDER=$MOVED")
[ "$code" -eq 0 ] || fail "upgrade into $MOVED: msiexec exit code $code"
in_folder "upgrade into $MOVED" "$MOVED" "$NEWEST"
code=$(msiexec /x "$WORK/Quillmark-$NEWEST.msi")
[ "$code" -eq 0 ] || fail "uninstall from $MOVED: msiexec exit code $code"
[ ! -e "$(unix_path "$MOVED")" ] || fail "uninstall from $MOVED: the folder is still there"
note "installed into $PLACE (winget's --location), upgraded there, upgraded into $MOVED (given again), uninstalled from there"
left=$(find "$WINEPREFIX/drive_c" -iname '*quillmark*' | sed "s|^$WINEPREFIX/||")
[ -z "$left" ] || fail "uninstall left files: $left"
[ ! -e "$(dirname "$(dirname "$INSTALLED_EXE")")" ] ||
    fail "uninstall left the programs folder it made: $(dirname "$(dirname "$INSTALLED_EXE")")"
# Anything in the registry that names Quillmark or either product, its code
# as written or packed as Windows Installer keeps it (each group reversed).
packed() {
    local hex=${1//[\{\}-]/} out='' group i
    for group in 0:8 8:4 12:4; do
        for ((i = ${group#*:} - 1; i >= 0; i--)); do out+=${hex:${group%:*}+i:1}; done
    done
    for ((i = 16; i < 32; i += 2)); do out+=${hex:i+1:1}${hex:i:1}; done
    echo "$out"
}
names=(Quillmark)
for v in "$VERSION" "$HIGHER" "$NEWEST"; do
    c=$(product_code "$WORK/Quillmark-$v.msi")
    names+=("${c//[\{\}]/}" "$(packed "$c")")
done
for root in HKCU HKLM; do
    "$WINE" reg export "$root" "$(wine winepath -w "$WORK/$root.reg")" /y >/dev/null 2>&1 </dev/null ||
        fail "uninstall: could not export $root"
    left=$(iconv -f UTF-16 -t UTF-8 "$WORK/$root.reg" | tr -d '\r' | grep -i -F "${names[@]/#/-e}" || true)
    [ -z "$left" ] || fail "uninstall left in $root: $left"
done
note "uninstalled: no file, shortcut or registry key of Quillmark's"
