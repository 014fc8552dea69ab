# shellcheck shell=bash
# Shared by Quillmark's scripts: packages, Wine prefixes, the build.
# Sourced, not run.

QUILLMARK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$QUILLMARK_ROOT/build}
# Wine's 64-bit loader and its server, wherever this system keeps them:
# empty until find_wine has asked scripts/find-wine.sh, which the functions
# below that run Wine do first.
WINE='' WINESERVER=''
# The prefixes: one with Wine's null graphics driver for the unit tests,
# which need no display; one with a virtual desktop for the end-to-end tests;
# for scripts/run.sh, one whose windows go straight to your X display and
# one with a virtual desktop of its own for a run in Xvfb. The build tree
# names its tests' prefixes (tests/CMakeLists.txt) and hands the end-to-end
# tests theirs in QUILLMARK_DESKTOP_PREFIX.
PREFIX_HOME=${QUILLMARK_PREFIX_HOME:-$HOME/.cache/quillmark}
# shellcheck disable=SC2034 # the scripts that source this file use them
NULL_PREFIX=$PREFIX_HOME/wine-null \
    DESKTOP_PREFIX=${QUILLMARK_DESKTOP_PREFIX:-$PREFIX_HOME/wine-desktop} \
    WINDOW_PREFIX=$PREFIX_HOME/wine-window \
    RUN_PREFIX=$PREFIX_HOME/wine-run

export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64

PACKAGES=(cmake make g++-mingw-w64-x86-64 binutils-mingw-w64 googletest
          wine64 fonts-wine xvfb xdotool imagemagick)
# What the checks of scripts/test.sh add: the second compiler, the linters,
# what builds and reads the installer for the install test, and what the test
# of the release's files uses (a PKCS#11 token in software among it).
# shellcheck disable=SC2034  # used by the scripts that source this file
CHECK_PACKAGES=(clang clang-format clang-tidy cppcheck shellcheck wixl msitools zip python3-yaml
                osslsigncode openssl softhsm2 libengine-pkcs11-openssl)

log() { printf '== %s\n' "$*" >&2; }

# Fails, saying how to mend it, unless the path (by default /dev/null) is
# still a character device: a tool run as root that takes it for its own
# output file replaces the device with a file, and processes that are not
# root can no longer write there. The test and coverage commands end with it.
check_dev_null() {
    local path=${1:-/dev/null} # dev-path: the device this checks
    [ -c "$path" ] && return 0
    log "$path is no longer a character device (some tool wrote a file there);" \
        "as root: rm $path && mknod -m 666 $path c 1 3"
    return 1
}

# Installs whatever of the packages is missing; a second run installs nothing.
install_packages() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
}

# Installs the packages named, quietly, with sudo unless this is root.
apt_install() {
    log "installing $*"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "$@" >/dev/null
}

# Sets WINE and WINESERVER, once; fails with the line that says what was
# looked for when Wine is not installed.
find_wine() {
    [ -z "$WINE" ] || return 0
    local found
    found=$(bash "$QUILLMARK_ROOT/scripts/find-wine.sh") || return 1
    WINE=${found%%$'\n'*} WINESERVER=${found#*$'\n'}
}

# Makes a Wine prefix once, quietly, and applies the settings every run needs.
# $1: the prefix; $2: null (no display), desktop (a virtual desktop) or
# window (plain windows on the X display).
make_prefix() {
    local prefix=$1 kind=$2
    find_wine
    if [ ! -f "$prefix/.quillmark-$kind" ]; then
        log "creating the Wine prefix $prefix"
        mkdir -p "$prefix"
        # Without Wine's menu builder, which would add menu folders for the
        # prefix to the Linux desktop in your home.
        WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY='' \
            "$WINE" wineboot -i >/dev/null 2>&1 || true
        local reg="env WINEPREFIX=$prefix DISPLAY= $WINE reg add"
        # A crash ends the process with a code instead of a dialog that waits forever.
        $reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        if [ "$kind" = null ]; then
            $reg 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        elif [ "$kind" = desktop ]; then
            $reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
            $reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        fi
        WINEPREFIX=$prefix "$WINESERVER" -w
        touch "$prefix/.quillmark-$kind"
    fi
    [ "$kind" = null ] || install_wine_fonts "$prefix"
}

# Debian's wine64 8.0 does not load the fonts that fonts-wine puts in
# /usr/share/wine/fonts: captions then show "0 1 r" instead of their buttons
# (no Marlett) and dialogs fall back from Tahoma. It does load the prefix's
# own Fonts folder, so the fonts go there.
install_wine_fonts() {
    local fonts=$1/drive_c/windows/Fonts
    [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
    [ -f "$fonts/marlett.ttf" ] || cp -n /usr/share/wine/fonts/* "$fonts/"
}

# Starts the prefix's wineserver with its output away from our pipes, so that
# callers waiting for end of output do not wait for the server. Sets
# WINESERVER_STARTED to 1 when this call started it, empty when it was
# running already: then it is someone else's to stop.
start_wineserver() {
    WINESERVER_STARTED=
    find_wine
    # shellcheck disable=SC2034 # read by the callers
    if WINEPREFIX=$1 "$WINESERVER" -p >/dev/null 2>&1 </dev/null; then WINESERVER_STARTED=1; fi
    # The first program also starts Wine's own services, which keep the
    # output of whoever started them open; let a throwaway run start them.
    # (wineboot -u would also rebuild the prefix, which takes seconds.)
    WINEPREFIX=$1 "$WINE" wineboot >/dev/null 2>&1 </dev/null || true
}

# Ends the prefix's server and its programs, and waits until it has gone;
# with no Wine installed there is none to end.
stop_wineserver() {
    find_wine 2>/dev/null || return 0
    WINEPREFIX=$1 "$WINESERVER" -k >/dev/null 2>&1 || true
    WINEPREFIX=$1 "$WINESERVER" -w >/dev/null 2>&1 || true
}

build() {
    log "building in $BUILD_DIR"
    cmake -S "$QUILLMARK_ROOT" -B "$BUILD_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$QUILLMARK_ROOT/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_PREFIX_HOME="$PREFIX_HOME" "$@" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# The project's version, from project(... VERSION ...) in CMakeLists.txt.
project_version() {
    sed -n -E 's/^project\([^)]*VERSION ([0-9][0-9.]*).*/\1/p' "$QUILLMARK_ROOT/CMakeLists.txt"
}

# The time of the commit checked out, in seconds since 1970: the time a
# release carries. Whoever owns the clone (a CI container's checkout, say).
commit_time() {
    git -c safe.directory="$QUILLMARK_ROOT" -C "$QUILLMARK_ROOT" log -1 --format=%ct 2>/dev/null || {
        echo "$QUILLMARK_ROOT is not a git clone: set SOURCE_DATE_EPOCH to the sources' time" >&2
        return 1
    }
}

# Packs the folder DIR/NAME into the ZIP named (an absolute path) so that the
# same files give the same bytes: entries in a fixed order, programs 755 and
# other files 644, every time SOURCE_DATE_EPOCH's in UTC, and no extra fields
# (zip's would add owners and access times).
pack_zip() {
    local dir=$1 name=$2 zip=$3 files
    find "$dir/$name" -type d -exec chmod 755 {} +
    find "$dir/$name" -type f -name '*.exe' -exec chmod 755 {} +
    find "$dir/$name" -type f ! -name '*.exe' -exec chmod 644 {} +
    find "$dir/$name" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
    mapfile -t files < <(cd "$dir" && find "$name" -type f | LC_ALL=C sort)
    rm -f "$zip"
    (cd "$dir" && TZ=UTC zip -q -X -D -9 "$zip" "${files[@]}")
}

# The Debian packages whose versions decide a release's bytes: the compiler,
# its run-time libraries and Windows headers, binutils, the installer's
# builder and its libraries, zip, the signing tool, and CMake, which drives
# them. Patterns, as dpkg-query takes them: the libraries' names differ
# between Debian releases.
RECORD_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
                 gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev
                 binutils-mingw-w64-x86-64 wixl wixl-data msitools 'libmsi*' 'libgcab*'
                 zip osslsigncode cmake)

# One line "package NAME VERSION" for each of them installed here, sorted.
record_packages() {
    { dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' "${RECORD_PACKAGES[@]}" 2>/dev/null || true; } |
        awk '$1 == "ii" { print "package", $2, $3 }' | LC_ALL=C sort
}

# The container image this runs in: QUILLMARK_BUILD_IMAGE (the release
# workflow names it) and its digest, which Docker's socket tells where the
# container has it (the CI service's container jobs do); "none" outside one.
record_image() {
    local image=${QUILLMARK_BUILD_IMAGE:-}
    if [ -z "$image" ]; then
        if [ -f /.dockerenv ]; then echo "an unnamed container"; else echo none; fi
        return
    fi
    python3 - "$image" <<'PY' 2>/dev/null || echo "$image (digest unknown: no Docker socket answered)"
import http.client, json, socket, sys, urllib.parse
class Docker(http.client.HTTPConnection):
    def connect(self):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect("/var/run/docker.sock")
docker = Docker("localhost", timeout=10)
docker.request("GET", "/images/%s/json" % urllib.parse.quote(sys.argv[1], safe=""))
print(json.load(docker.getresponse())["RepoDigests"][0])
PY
}

# Whether a Windows program or installer carries an Authenticode signature.
# osslsigncode writes the signature to a file, which must not be there yet.
has_signature() {
    local out status=0
    out=$(mktemp -u)
    osslsigncode extract-signature -in "$1" -out "$out" >/dev/null 2>&1 || status=$?
    rm -f "$out"
    return "$status"
}

# Records a download's SHA-256 in the checksum file beside it,
# Quillmark-<version>-SHA256SUMS.txt, which `sha256sum -c` reads: one line
# per download, by name; a line of a file no longer there is dropped, and
# each script that makes a download records its own.
record_checksum() {
    local dir name sums hash other
    dir=$(dirname "$1") name=$(basename "$1")
    sums=$dir/Quillmark-$(project_version)-SHA256SUMS.txt
    {
        if [ -f "$sums" ]; then
            while read -r hash other; do
                [ "$other" = "$name" ] || [ ! -f "$dir/$other" ] || printf '%s  %s\n' "$hash" "$other"
            done <"$sums"
        fi
        (cd "$dir" && sha256sum "$name")
    } | LC_ALL=C sort -k 2 >"$sums.new"
    mv "$sums.new" "$sums"
}
