#!/usr/bin/env bash
# Builds Quillmark and runs it.
#
# With a display (DISPLAY set), Quillmark opens there as an ordinary window and
# this script waits until it is closed, passing on its exit code. With none, it
# runs in a private X server; once its window is painted a screenshot is saved,
# its path printed, and the program ended.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages
make_prefix "$WINDOW_PREFIX" window
build >&2
EXE=$BUILD_DIR/Quillmark.exe
export WINEPREFIX=$WINDOW_PREFIX

if [ -n "${DISPLAY:-}" ]; then
    start_wineserver "$WINEPREFIX"
    trap 'stop_wineserver "$WINEPREFIX"' EXIT
    log "running $EXE on $DISPLAY"
    code=0
    "$WINE" "$EXE" || code=$?
    exit "$code"
fi

SHOT=$BUILD_DIR/quillmark-window.png
PROGRAM_PID=
XVFB_PID=

finish() {
    local status=$?
    if [ -n "$PROGRAM_PID" ] && kill -0 "$PROGRAM_PID" 2>/dev/null; then
        kill "$PROGRAM_PID" 2>/dev/null || true
    fi
    stop_wineserver "$WINEPREFIX"
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

# Polls a check until it succeeds or the seconds run out.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

main_window() { xdotool search --name '^Quillmark$' 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(main_window)" ]; }
program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

# The middle of the client area turns white at the first paint.
painted() {
    import -window root "$SHOT"
    [ "$(convert "$SHOT" -crop "1x1+$((X + W / 2))+$((Y + H / 2))" -depth 8 txt:- |
         grep -c '#FFFFFF')" -eq 1 ]
}

start_xvfb 1024x768x24
log "no DISPLAY: running $EXE in Xvfb on $DISPLAY"
start_wineserver "$WINEPREFIX"
# With no window manager Wine draws no caption or frame; its own virtual
# desktop draws both.
"$WINE" explorer /desktop=Quillmark,1024x768 "$EXE" >/dev/null 2>&1 </dev/null &
PROGRAM_PID=$!

wait_until 60 window_shown || { log "Quillmark's window did not appear"; exit 1; }
WINDOW=$(main_window)
geometry=$(xwininfo -id "$WINDOW")
X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$geometry")
Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$geometry")
W=$(awk '/Width:/ {print $NF}' <<<"$geometry")
H=$(awk '/Height:/ {print $NF}' <<<"$geometry")
wait_until 20 painted || { log "Quillmark's window was not painted"; exit 1; }
convert "$SHOT" -crop "${W}x${H}+${X}+${Y}" +repage "$SHOT"
echo "$SHOT"

# End it as a person would: focus it with a click on the caption, then Alt+F4.
xdotool mousemove $((X + W / 2)) $((Y + 10)) click 1
xdotool key alt+F4
wait_until 15 program_ended || log "Quillmark did not end on Alt+F4; stopping it"
