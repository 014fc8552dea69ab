# shellcheck shell=bash
# The end-to-end tests' toolkit: a private X server, the Wine prefix with a
# virtual desktop, the real Quillmark.exe, input through xdotool and checks on
# screenshot pixels. Sourced by each scenario script, which is given the path
# of Quillmark.exe as $1.
#
# Coordinates are screen pixels unless a name says "client". Colours are
# written R,G,B in decimal, as px prints them.

set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/common.sh
source "$E2E_DIR/../../scripts/common.sh"

E2E_NAME=$(basename "$0" .sh)
# ctest runs in the build directory; the pictures stay there for inspection.
SHOTS=$PWD/e2e-shots/$E2E_NAME
SCREEN_W=1024
SCREEN_H=768

WHITE=255,255,255

QM_EXE=
QM_PID=
# The main window: X window id and outer rectangle.
QM_WINDOW=
QM_X=0 QM_Y=0 QM_W=0 QM_H=0
# Its client area, edges included. Wine's frame is 4 pixels wide on every
# side, and caption plus menu bar take the top 42 rows with the fonts of
# make_prefix (found once on a screenshot).
CLIENT_LEFT=0 CLIENT_TOP=0 CLIENT_RIGHT=0 CLIENT_BOTTOM=0
FRAME=4
CLIENT_OFFSET_Y=42

E2E_TMP=
SHOT=         # the latest screenshot, PNG
SHOT_RAW=     # the same pixels as raw RGB, for quick single-pixel reads
SHOT_COUNT=0
SEEN=         # what the last check saw, for failure messages
E2E_START=$SECONDS

fail() {
    printf 'FAIL %s: %s\n' "$E2E_NAME" "$*" >&2
    if [ -n "$SHOT" ] && [ -f "$SHOT" ]; then keep failure 2>/dev/null || true; fi
    exit 1
}

note() { printf '%s: %s\n' "$E2E_NAME" "$*" >&2; }

# Starts everything a scenario needs; everything is undone on exit, whatever
# the outcome.
e2e_begin() {
    QM_EXE=${1:-}
    [ -f "$QM_EXE" ] || fail "usage: $0 PATH/TO/Quillmark.exe (got '${QM_EXE}')"
    local tool
    for tool in Xvfb xdotool xwininfo import convert compare "$WINE"; do
        command -v "$tool" >/dev/null || fail "$tool is missing; scripts/common.sh install_packages installs it"
    done
    mkdir -p "$SHOTS"
    rm -f "$SHOTS"/*.png
    E2E_TMP=$(mktemp -d)
    trap e2e_end EXIT
    trap 'exit 130' INT TERM

    export WINEPREFIX=$DESKTOP_PREFIX
    make_prefix "$WINEPREFIX" desktop
    start_xvfb "${SCREEN_W}x${SCREEN_H}x24"
    [ "${DISPLAY#:}" != "" ] || fail "Xvfb did not start"
    start_wineserver "$WINEPREFIX"
    note "display $DISPLAY, screenshots in $SHOTS"
}

e2e_end() {
    local status=$?
    if [ -n "$QM_PID" ] && kill -0 "$QM_PID" 2>/dev/null; then
        kill "$QM_PID" 2>/dev/null || true
    fi
    [ -n "${WINEPREFIX:-}" ] && stop_wineserver "$WINEPREFIX"
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"
    if [ "$status" -eq 0 ]; then
        note "PASS in $((SECONDS - E2E_START)) s"
    else
        note "failed after $((SECONDS - E2E_START)) s (exit $status)"
    fi
    exit "$status"
}

# Polls until the command succeeds; fails the scenario after the deadline.
# $1: what is awaited, $2: seconds; the rest: the check, run after a fresh
# screenshot each time.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    while :; do
        grab
        "$@" && return 0
        [ "$SECONDS" -lt "$deadline" ] || fail "$what: not seen within $seconds s (${SEEN:-no detail})"
        sleep 0.2
    done
}

# --- screenshots and pixels --------------------------------------------------

grab() {
    SHOT=$E2E_TMP/screen.png
    SHOT_RAW=$E2E_TMP/screen.rgb
    import -window root "$SHOT"
    convert "$SHOT" -depth 8 "rgb:$SHOT_RAW"
}

# Saves the latest screenshot under a numbered name.
keep() {
    SHOT_COUNT=$((SHOT_COUNT + 1))
    cp "$SHOT" "$(printf '%s/%02d-%s.png' "$SHOTS" "$SHOT_COUNT" "$1")"
}

# Prints the colour of one pixel of the latest screenshot.
px() {
    local offset=$((($2 * SCREEN_W + $1) * 3))
    od -An -tu1 -j "$offset" -N3 "$SHOT_RAW" | awk '{printf "%d,%d,%d", $1, $2, $3}'
}

# Number of pixels of exactly one colour in a region: x y width height colour.
count_colour() {
    local hex r g b
    IFS=, read -r r g b <<<"$5"
    hex=$(printf '#%02X%02X%02X' "$r" "$g" "$b")
    convert "$SHOT" -crop "$3x$4+$1+$2" +repage -depth 8 txt:- | grep -c "$hex" || true
}

# Number of different colours in a region.
count_colours() {
    convert "$SHOT" -crop "$3x$4+$1+$2" +repage -format %k info:
}

# Smallest value of any channel in a region, 0 to 255: low means dark pixels.
darkest() {
    convert "$SHOT" -crop "$3x$4+$1+$2" +repage -format '%[fx:int(255*minima+0.5)]' info:
}

# Whether a region holds one colour only: x y width height colour.
all_colour() {
    local range
    range=$(convert "$SHOT" -crop "$3x$4+$1+$2" +repage -format \
        '%[fx:int(255*minima.r+.5)],%[fx:int(255*minima.g+.5)],%[fx:int(255*minima.b+.5)] %[fx:int(255*maxima.r+.5)],%[fx:int(255*maxima.g+.5)],%[fx:int(255*maxima.b+.5)]' info:)
    SEEN="region $3x$4+$1+$2 spans ${range/ / to }, wanted $5"
    [ "$range" = "$5 $5" ]
}

# Whether a pixel has a colour: x y colour.
is_colour() {
    local got
    got=$(px "$1" "$2")
    SEEN="($1,$2) is $got, wanted $3"
    [ "$got" = "$3" ]
}

# Whether a colour is found within a few pixels of a point: x y colour
# [radius]. Wine's wide pens and ellipses land a pixel or so from where the
# arithmetic says, so edges are looked for near their place.
colour_near() {
    local r=${4:-3} n
    n=$(count_colour $(($1 - r)) $(($2 - r)) $((2 * r + 1)) $((2 * r + 1)) "$3")
    SEEN="no $3 within $r px of ($1,$2), which is $(px "$1" "$2")"
    [ "$n" -gt 0 ]
}

expect() {
    local what=$1
    shift
    "$@" || fail "$what: $SEEN"
}

# --- windows and the program -------------------------------------------------

# Prints the id of the first X window with exactly this caption.
find_window() {
    xdotool search --name "^$1\$" 2>/dev/null | head -n 1
}

# Sets WIN_X, WIN_Y, WIN_W and WIN_H from a window's place on the screen.
# (xdotool's own geometry is off under Wine's virtual desktop.)
window_rect() {
    local info
    info=$(xwininfo -id "$1")
    WIN_X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    WIN_Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    WIN_W=$(awk '/Width:/ {print $NF}' <<<"$info")
    WIN_H=$(awk '/Height:/ {print $NF}' <<<"$info")
}

window_shown() {
    local id
    id=$(find_window "$1")
    SEEN="no window called '$1'"
    [ -n "$id" ]
}

window_gone() {
    SEEN="window '$1' is still there"
    [ -z "$(find_window "$1")" ]
}

client_white() {
    all_colour "$CLIENT_LEFT" "$CLIENT_TOP" $((CLIENT_RIGHT - CLIENT_LEFT + 1)) \
        $((CLIENT_BOTTOM - CLIENT_TOP + 1)) "$WHITE"
}

# Runs Quillmark.exe and waits until its window is shown and painted.
launch() {
    "$WINE" "$QM_EXE" >/dev/null 2>&1 </dev/null &
    QM_PID=$!
    wait_for "Quillmark's main window" 30 window_shown Quillmark
    QM_WINDOW=$(find_window Quillmark)
    window_rect "$QM_WINDOW"
    QM_X=$WIN_X QM_Y=$WIN_Y QM_W=$WIN_W QM_H=$WIN_H
    CLIENT_LEFT=$((QM_X + FRAME))
    CLIENT_RIGHT=$((QM_X + QM_W - 1 - FRAME))
    CLIENT_TOP=$((QM_Y + CLIENT_OFFSET_Y))
    CLIENT_BOTTOM=$((QM_Y + QM_H - 1 - FRAME))
    wait_for "a white client area" 15 client_white
    focus_main
}

# A click on the caption gives the main window the keyboard (xdotool's
# --window keys are ignored by Wine) without touching the drawing.
focus_main() {
    xdotool mousemove $((QM_X + QM_W / 2)) $((QM_Y + 10)) click 1
}

program_ended() {
    SEEN="Quillmark.exe (pid $QM_PID) is still running"
    ! kill -0 "$QM_PID" 2>/dev/null
}

# Waits for the program to end and checks its exit code.
expect_exit_code() {
    local want=$1 how=$2 code=0
    wait_for "the end of Quillmark after $how" 15 program_ended
    wait "$QM_PID" || code=$?
    QM_PID=
    [ "$code" -eq "$want" ] || fail "$how: exit code $code, wanted $want"
    note "$how: exit code $code"
}

# --- keyboard and mouse ------------------------------------------------------

# Opens the menu bar with F10 and presses the keys that follow, as a person
# would: arrows to move, Return to choose.
menu() {
    xdotool key --delay 100 F10 "$@"
}

# The menu paths of the program, from the keyboard. Each Right moves one
# entry along the bar (File, Help, Drawing, Colours, Clear); Down opens a
# popup on its first entry; Right opens a submenu.
choose_rectangle()        { menu Right Right Down Right Return; }
choose_ellipse()          { menu Right Right Down Right Down Return; }
choose_filled_rectangle() { menu Right Right Down Down Right Return; }
choose_filled_ellipse()   { menu Right Right Down Down Right Down Return; }
choose_line_tool()        { menu Right Right Down Down Down Return; }
choose_pencil()           { menu Right Right Down Down Down Down Return; }
choose_eraser()           { menu Right Right Down Down Down Down Down Return; }
open_colour_dialog()      { menu Right Right Right Down Return; }
clear_drawing()           { menu Right Right Right Right Return; }

# A drag with the left button through the given points: x1 y1 x2 y2 ...
# Each point is one real pointer motion; the short pauses keep the X server
# from merging them.
drag() {
    local args=(mousemove "$1" "$2" mousedown 1)
    shift 2
    while [ $# -ge 2 ]; do
        args+=(sleep 0.02 mousemove "$1" "$2")
        shift 2
    done
    args+=(mouseup 1)
    xdotool "${args[@]}"
}

# --- the colour dialog -------------------------------------------------------

# Wine's colour dialog, and a place in it found once on a screenshot, from its
# top left corner: the solid half of the preview of the colour selected.
COLOUR_DIALOG=Color
PREVIEW_DX=275 PREVIEW_DY=244
DLG_X=0 DLG_Y=0 DLG_W=0 DLG_H=0

# Opens "Colours" > "Choose" and waits for the dialog.
open_colours() {
    open_colour_dialog
    wait_for "the colour dialog" 15 window_shown "$COLOUR_DIALOG"
    window_rect "$(find_window "$COLOUR_DIALOG")"
    # shellcheck disable=SC2034  # the size is for the scenarios (colour.sh)
    DLG_X=$WIN_X DLG_Y=$WIN_Y DLG_W=$WIN_W DLG_H=$WIN_H
}

preview_is() {
    is_colour $((DLG_X + PREVIEW_DX)) $((DLG_Y + PREVIEW_DY)) "$1"
}

# Types a colour into the dialog's Red, Green and Blue fields: Alt+R goes to
# Red and selects its text, Tab to the next field.
type_colour() {
    local r g b
    IFS=, read -r r g b <<<"$1"
    xdotool key alt+r
    xdotool type --delay 40 "$r"
    xdotool key Tab
    xdotool type --delay 40 "$g"
    xdotool key Tab
    xdotool type --delay 40 "$b"
    wait_for "the colour $1 in the dialog's preview" 10 preview_is "$1"
}

close_colours() {
    xdotool key "$1"
    wait_for "the colour dialog to close" 10 window_gone "$COLOUR_DIALOG"
}

# Chooses a drawing colour through the dialog, from the keyboard.
choose_colour() {
    open_colours
    type_colour "$1"
    close_colours Return
}
