#!/usr/bin/env bash
# Builds Quillmark and runs it.
#
# With a display (DISPLAY set), Quillmark opens there as an ordinary window and
# this script waits until it is closed, passing on its exit code. With none, it
# runs in a private X server; once its window is painted a screenshot is saved,
# its path printed, and the program ended.
# shellcheck source-path=SCRIPTDIR
# shellcheck disable=SC2119 # install_packages and build, without their optional arguments
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=desktop.sh
source "$QUILLMARK_ROOT/scripts/desktop.sh"

install_packages
build >&2
QM_EXE=$BUILD_DIR/Quillmark.exe
QM_PROBE=$BUILD_DIR/tests/e2e/probe.exe

if [ -n "${DISPLAY:-}" ]; then
    make_prefix "$WINDOW_PREFIX" window
    export WINEPREFIX=$WINDOW_PREFIX
    start_wineserver "$WINEPREFIX"
    trap 'stop_wineserver "$WINEPREFIX"' EXIT
    log "running $QM_EXE on $DISPLAY"
    code=0
    "$WINE" "$QM_EXE" || code=$?
    exit "$code"
fi

# With no window manager Wine draws no caption or frame; in a prefix with a
# virtual desktop, Wine draws both.
make_prefix "$RUN_PREFIX" desktop
trap desktop_stop EXIT
trap 'exit 130' INT TERM
desktop_start "$RUN_PREFIX"
log "no DISPLAY: running $QM_EXE in Xvfb on $DISPLAY"
launch
shot=$BUILD_DIR/quillmark-window.png
save_window "$shot"
echo "$shot"

# End it as a person would: launch gave it the keyboard, then Alt+F4.
xdotool key alt+F4
poll 15 program_ended || log "Quillmark did not end on Alt+F4; stopping it"
