# shellcheck shell=bash
# The end-to-end scenarios' toolkit, on top of scripts/desktop.sh: the
# scenario's start and end, numbered screenshots beside Quillmark.exe in the
# build directory, the program's menus from the keyboard, its colour dialog,
# and drawing and pixel checks in client coordinates (from the top left pixel
# of the client area). Sourced by each scenario, which is given the paths of
# Quillmark.exe and of the probe (tests/e2e/probe.cpp) as $1 and $2.

# shellcheck source-path=SCRIPTDIR
set -euo pipefail

# shellcheck source=../../scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
# shellcheck source=../../scripts/desktop.sh
source "$QUILLMARK_ROOT/scripts/desktop.sh"

SHOTS=
SHOT_COUNT=0
E2E_START=$SECONDS

# Starts everything a scenario needs; everything is undone on exit, whatever
# the outcome. The tools and the desktop prefix are CTest's fixture's to
# check and make (tests/fixtures.sh desktop).
e2e_begin() {
    QM_EXE=${1:-} QM_PROBE=${2:-}
    if [ ! -f "$QM_EXE" ] || [ ! -f "$QM_PROBE" ]; then
        fail "usage: $0 PATH/TO/Quillmark.exe PATH/TO/probe.exe (got '$QM_EXE' '$QM_PROBE')"
    fi
    SHOTS=$(cd "$(dirname "$QM_EXE")" && pwd)/e2e-shots/$QM_NAME
    mkdir -p "$SHOTS"
    rm -f "$SHOTS"/*.png
    trap e2e_end EXIT
    trap 'exit 130' INT TERM
    desktop_start "$DESKTOP_PREFIX"
    note "display $DISPLAY, screenshots in $SHOTS"
}

# On a failure keeps the last screenshot checked and the screen as it is
# now; then undoes e2e_begin.
e2e_end() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "$DESKTOP_TMP" ]; then
        if [ -s "$SHOT_RAW" ]; then keep failure-last-checked || true; fi
        if grab 2>/dev/null; then keep failure-at-exit || true; fi
    fi
    desktop_stop || true
    if [ "$status" -eq 0 ]; then
        note "PASS in $((SECONDS - E2E_START)) s"
    else
        note "failed after $((SECONDS - E2E_START)) s (exit $status)"
    fi
    exit "$status"
}

# Saves the latest screenshot under a numbered name.
keep() {
    SHOT_COUNT=$((SHOT_COUNT + 1))
    from_shot "$(printf '%s/%02d-%s.png' "$SHOTS" "$SHOT_COUNT" "$1")"
}

# Waits for the program to end and checks its exit code: code, how it was
# ended.
expect_exit_code() {
    local want=$1 how=$2 code=0
    wait_until "the end of Quillmark after $how" 15 program_ended
    wait "$QM_PID" || code=$?
    QM_PID=
    [ "$code" -eq "$want" ] || fail "$how: exit code $code, wanted $want"
    note "$how: exit code $code"
}

# --- the client area ---------------------------------------------------------

c_drag() {
    local points=() i=0 v
    for v in "$@"; do
        if [ $((i % 2)) -eq 0 ]; then points+=($((CLIENT_LEFT + v))); else points+=($((CLIENT_TOP + v))); fi
        i=$((i + 1))
    done
    drag "${points[@]}"
}
c_is() { is_colour $((CLIENT_LEFT + $1)) $((CLIENT_TOP + $2)) "$3"; }
c_near() { colour_near $((CLIENT_LEFT + $1)) $((CLIENT_TOP + $2)) "$3" "${4:-3}"; }

client_crop() { printf '%dx%d+%d+%d' $((CLIENT_RIGHT - CLIENT_LEFT + 1)) $((CLIENT_BOTTOM - CLIENT_TOP + 1)) "$CLIENT_LEFT" "$CLIENT_TOP"; }

# Whether the client area of the latest screenshot is, pixel for pixel, the
# one in a PNG that an earlier screenshot gave with `from_shot -crop
# "$(client_crop)"`. If not, SEEN says how many pixels differ and the box
# around them, in client coordinates (one black border keeps a differing
# corner from being taken for the background).
client_matches() {
    local n box w h x y
    read -r n box < <(from_shot -crop "$(client_crop)" +repage "$1" -compose difference -composite \
        -separate -evaluate-sequence max -threshold 0 -bordercolor black -border 1 \
        -format '%[fx:int(mean*w*h+.5)] %@' info: 2>/dev/null)
    IFS='x+' read -r w h x y <<<"$box"
    SEEN="$n pixels differ from $1, within ${w}x$h at ($((x - 1)),$((y - 1))) of the client area"
    [ "$n" -eq 0 ]
}

# --- the menus ---------------------------------------------------------------

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
open_about_box()          { menu Right Down Return; }
open_colour_dialog()      { menu Right Right Right Down Return; }
clear_drawing()           { menu Right Right Right Right Return; }

# The File popup opens over the top left of the client area, which is white
# when the scenarios open it.
file_menu_open() {
    if all_colour "$CLIENT_LEFT" "$CLIENT_TOP" 60 20 "$WHITE"; then
        SEEN="nothing drawn under File"
        return 1
    fi
}

# "File" > "Exit" through its mnemonics ends the program with code 0.
exit_from_file_menu() {
    xdotool key alt+f
    wait_for "the File menu" 10 file_menu_open
    keep file-menu
    xdotool key x
    expect_exit_code 0 "File > Exit"
}

# --- dialogs -----------------------------------------------------------------

# Drags a shown window by its caption so that its top left corner lands on
# a screen point: caption, x, y. The press rests a moment before the
# pointer moves, as a hand does: without it Wine's move loop now and then
# starts from the wrong point, and the window lands a third of a drag past
# its place.
move_window() {
    read_window "$1" || fail "'$1' to drag: $SEEN"
    local dx=$(($2 - WIN_X)) dy=$(($3 - WIN_Y))
    xdotool mousemove "$CAPTION_X" "$CAPTION_Y" mousedown 1 sleep 0.1 \
        mousemove $((CAPTION_X + dx / 3)) $((CAPTION_Y + dy / 3)) sleep 0.05 \
        mousemove $((CAPTION_X + dx * 2 / 3)) $((CAPTION_Y + dy * 2 / 3)) sleep 0.05 \
        mousemove $((CAPTION_X + dx)) $((CAPTION_Y + dy)) sleep 0.05 mouseup 1
    wait_until "'$1' dragged to ($2,$3)" 10 window_at "$1" "$2" "$3"
}

# Drags a shown window by its caption to one place after another in the
# client area, each given as the share in per cent, across and down, of the
# room the window leaves there for its top left corner: caption, then share
# across and share down of each place.
drag_window() {
    local name=$1
    shift
    while [ $# -ge 2 ]; do
        read_window "$name" || fail "'$name' to drag: $SEEN"
        move_window "$name" $((CLIENT_LEFT + (CLIENT_RIGHT - CLIENT_LEFT + 1 - WIN_W) * $1 / 100)) \
            $((CLIENT_TOP + (CLIENT_BOTTOM - CLIENT_TOP + 1 - WIN_H) * $2 / 100))
        shift 2
    done
}

window_at() {
    read_window "$1" || return 1
    SEEN="'$1' is at ($WIN_X,$WIN_Y), wanted ($2,$3)"
    [ "$WIN_X" -eq "$2" ] && [ "$WIN_Y" -eq "$3" ]
}

# --- the colour dialog -------------------------------------------------------

# The platform's colour dialog, found by its caption, and its parts, found
# by their control identifiers (<colordlg.h>): the colour selected, the
# colour spectrum, the basic colours and the OK button. open_colours reads
# their places; PREVIEW_X and _Y is a point inside the colour selected.
COLOUR_DIALOG=Color
# shellcheck disable=SC2034 # read by the scenarios
COLOR_CURRENT=709 COLOR_RAINBOW=710 COLOR_BOX1=720
DLG_X=0 DLG_Y=0 DLG_W=0 DLG_H=0
PREVIEW_X=0 PREVIEW_Y=0

# Reads a control of the colour dialog by its identifier into CTL_X, CTL_Y,
# CTL_W and CTL_H.
colour_control() { read_control "$COLOUR_DIALOG" "\$1 == $1 && \$4 == 1"; }

# Opens "Colours" > "Choose", waits for the dialog and reads its place.
open_colours() {
    open_colour_dialog
    wait_until "the colour dialog" 15 window_shown "$COLOUR_DIALOG"
    read_window "$COLOUR_DIALOG" || fail "the colour dialog: $SEEN"
    # shellcheck disable=SC2034 # read by the scenarios
    DLG_X=$WIN_X DLG_Y=$WIN_Y DLG_W=$WIN_W DLG_H=$WIN_H
    # Under load the dialog shows before its controls do.
    wait_until "the colour dialog's selected colour" 10 colour_control "$COLOR_CURRENT"
    PREVIEW_X=$((CTL_X + CTL_W * 3 / 4)) PREVIEW_Y=$((CTL_Y + CTL_H / 2))
}

preview_is() { is_colour "$PREVIEW_X" "$PREVIEW_Y" "$1"; }

# Types a colour into the dialog's Red, Green and Blue fields: Alt+R goes to
# Red and selects its text, Tab to the next field.
type_colour() {
    local r g b
    IFS=, read -r r g b <<<"$1"
    xdotool key alt+r type --delay 20 "$r"
    xdotool key Tab type --delay 20 "$g"
    xdotool key Tab type --delay 20 "$b"
    wait_for "the colour $1 in the dialog's preview" 10 preview_is "$1"
}

close_colours() {
    xdotool key "$1"
    wait_until "the colour dialog to close" 10 window_gone "$COLOUR_DIALOG"
}

# Chooses a drawing colour through the dialog, from the keyboard.
choose_colour() {
    open_colours
    type_colour "$1"
    close_colours Return
}
