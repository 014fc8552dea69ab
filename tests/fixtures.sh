#!/usr/bin/env bash
# CTest's fixtures for the tests under Wine (tests/CMakeLists.txt), so that
# CTest alone runs them from any shell:
#   start PREFIX MARKER  makes the null-driver prefix if it is missing and
#                        starts its Wine server and services, their output
#                        sent away (started by a test, they would hold its
#                        output open and CTest would wait for them until the
#                        test timed out); writes MARKER when it started the
#                        server, which is then this build tree's to stop
#   stop PREFIX MARKER   stops that server, if MARKER says this tree started it
#   desktop PREFIX       checks what the end-to-end tests need, that an X
#                        server starts, and makes their desktop prefix; each
#                        scenario starts its own X server and Wine server
# A missing package fails with one line naming it.
# shellcheck source-path=SCRIPTDIR
set -euo pipefail
# shellcheck source=../scripts/common.sh
source "$(dirname "$0")/../scripts/common.sh"

# Fails with one line unless every program or file is there: pairs of a
# program or path and the Debian package that installs it.
need() {
    local missing=() packages=()
    while [ $# -ge 2 ]; do
        if ! command -v "$1" >/dev/null && [ ! -e "$1" ]; then
            missing+=("$1")
            [[ " ${packages[*]} " == *" $2 "* ]] || packages+=("$2")
        fi
        shift 2
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "missing: ${missing[*]}; install: sudo apt-get install ${packages[*]}" \
        "(bash scripts/test.sh installs everything)" >&2
    exit 1
}

case ${1:-} in
    start)
        prefix=$2 marker=$3
        find_wine || exit 1
        make_prefix "$prefix" null
        start_wineserver "$prefix"
        # A marker left by a run that was stopped before its cleanup still
        # names a server of this tree: kept.
        if [ -n "$WINESERVER_STARTED" ]; then touch "$marker"; fi
        ;;
    stop)
        prefix=$2 marker=$3
        if [ -f "$marker" ]; then
            stop_wineserver "$prefix"
            rm -f "$marker"
        fi
        ;;
    desktop)
        prefix=$2
        find_wine || exit 1
        need Xvfb xvfb xdotool xdotool import imagemagick convert imagemagick \
            /usr/share/wine/fonts fonts-wine
        # shellcheck source=../scripts/desktop.sh
        source "$QUILLMARK_ROOT/scripts/desktop.sh"
        DESKTOP_TMP=$(mktemp -d)
        trap 'kill "$XVFB_PID" 2>/dev/null || true; rm -rf "$DESKTOP_TMP"' EXIT
        xvfb_start
        make_prefix "$prefix" desktop
        ;;
    *)
        echo "usage: $0 start|stop PREFIX MARKER, or $0 desktop PREFIX" >&2
        exit 2
        ;;
esac
