# shellcheck shell=bash
# Quillmark.exe in a private X server inside a Wine virtual desktop, driven
# as a person would: keys, clicks and drags through xdotool, screenshots and
# their pixels, waits that poll with a deadline. Used by scripts/run.sh and,
# through tests/e2e/lib.sh, by the end-to-end tests. Sourced after common.sh,
# not run.
#
# Coordinates are screen pixels: the prefix's Wine desktop fills the X screen
# from its top left corner, so Windows' screen coordinates are the X
# server's. Colours are written R,G,B in decimal, as px prints them.

SCREEN_W=1024
SCREEN_H=768
WHITE=255,255,255

QM_NAME=$(basename "$0" .sh) # names the script in messages
QM_EXE=                      # set by the caller before launch
# Set by the caller too: tests/e2e/probe.exe of the same build, which asks
# the program's windows where they and their parts are. Frames, captions,
# menu bars and dialogs have other sizes in each Wine, so nothing here is
# measured once on a screenshot.
QM_PROBE=
QM_PID=
# The main window as read_main_window found it: its outer rectangle, its
# client area (edges included), a point of its caption, its close box, the
# rows of its menu bar and a point of its bottom right sizing corner.
QM_X=0 QM_Y=0 QM_W=0 QM_H=0
CLIENT_LEFT=0 CLIENT_TOP=0 CLIENT_RIGHT=0 CLIENT_BOTTOM=0
QM_CAPTION_X=0 QM_CAPTION_Y=0 QM_CLOSE_X=0 QM_CLOSE_Y=0
QM_MENU_Y=0 QM_MENU_H=0 QM_CORNER_X=0 QM_CORNER_Y=0

DESKTOP_TMP=
XVFB_PID=
SHOT_RAW= # the latest screenshot, raw RGB
SEEN=     # what the last check saw, for failure messages

note() { printf '%s: %s\n' "$QM_NAME" "$*" >&2; }

fail() {
    printf 'FAIL %s: %s\n' "$QM_NAME" "$*" >&2
    exit 1
}

# --- the X server and Wine ---------------------------------------------------

# Starts Xvfb on a free display and the wineserver of a prefix, and exports
# DISPLAY and WINEPREFIX. The caller traps desktop_stop on exit.
desktop_start() {
    export WINEPREFIX=$1
    DESKTOP_TMP=$(mktemp -d)
    SHOT_RAW=$DESKTOP_TMP/screen.rgb
    xvfb_start
    start_wineserver "$WINEPREFIX"
}

# Starts Xvfb on a free display, in DESKTOP_TMP, and exports DISPLAY; fails
# with the last thing Xvfb said when it does not start.
xvfb_start() {
    local fifo=$DESKTOP_TMP/displayfd said=$DESKTOP_TMP/xvfb.log number=
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>"$said" &
    XVFB_PID=$!
    read -r number <"$fifo" || true
    [ -n "$number" ] || fail "Xvfb did not start: $(grep -v '^$' "$said" | tail -n 1)"
    export DISPLAY=:$number
}

# Ends Quillmark if it still runs, the wineserver and Xvfb; keeps $?.
desktop_stop() {
    local status=$?
    if [ -n "$QM_PID" ] && kill -0 "$QM_PID" 2>/dev/null; then
        kill "$QM_PID" 2>/dev/null || true
    fi
    if [ -n "${WINEPREFIX:-}" ]; then stop_wineserver "$WINEPREFIX"; fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    if [ -n "$DESKTOP_TMP" ]; then rm -rf "$DESKTOP_TMP"; fi
    return "$status"
}

# Runs a check again and again until it holds (status 0) or the seconds run
# out (status 1): seconds, then the check.
poll() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# The same, failing with what the check saw last: what is awaited, seconds,
# the check.
wait_until() {
    local what=$1 seconds=$2
    shift 2
    poll "$seconds" "$@" || fail "$what: not seen within $seconds s (${SEEN:-no detail})"
}

# The same for a check of the screen: a fresh screenshot before each try.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    wait_until "$what" "$seconds" on_screen "$@"
}

on_screen() { grab && "$@"; }

# --- screenshots and pixels --------------------------------------------------

grab() { import -window root -depth 8 "rgb:$SHOT_RAW"; }

# Runs convert on the latest screenshot with the options that follow.
from_shot() { convert -size "${SCREEN_W}x${SCREEN_H}" -depth 8 "rgb:$SHOT_RAW" "$@"; }

# Saves the main window from the latest screenshot as a PNG without
# metadata, so that the same picture gives the same file.
save_window() {
    from_shot -crop "${QM_W}x${QM_H}+${QM_X}+${QM_Y}" +repage -strip \
        -define png:exclude-chunk=date,time "$1"
}

# Prints the colour of one pixel: x y.
px() {
    od -An -tu1 -j $((($2 * SCREEN_W + $1) * 3)) -N3 "$SHOT_RAW" | awk '{printf "%d,%d,%d", $1, $2, $3}'
}

# Number of pixels of exactly one colour in a region: x y width height colour.
count_colour() {
    local r g b
    IFS=, read -r r g b <<<"$5"
    from_shot -crop "$3x$4+$1+$2" +repage txt:- | grep -c "$(printf '#%02X%02X%02X' "$r" "$g" "$b")" || true
}

# Number of different colours in a region: x y width height.
count_colours() { from_shot -crop "$3x$4+$1+$2" +repage -format %k info:; }

# Smallest value of any channel in a region, 0 to 255: low means dark pixels.
darkest() { from_shot -crop "$3x$4+$1+$2" +repage -format '%[fx:int(255*minima+0.5)]' info:; }

# Whether a region holds one colour only: x y width height colour.
all_colour() {
    local range
    range=$(from_shot -crop "$3x$4+$1+$2" +repage -format \
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

# Fails unless a check holds on the latest screenshot: what, then the check.
expect() {
    local what=$1
    shift
    "$@" || fail "$what: $SEEN"
}

# --- windows and the program -------------------------------------------------

probe() { "$WINE" "$QM_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# Reads a shown window found by its exact caption into WIN_X, WIN_Y, WIN_W
# and WIN_H (outer rectangle), WIN_CLIENT_X, _Y, _W and _H (client area),
# and, where the frame has them, CAPTION_X and _Y, CLOSE_X and _Y (points in
# the middle of the caption and of the close box), MENU_Y and MENU_H (the
# menu bar's rows) and CORNER_X and _Y (a point of the sizing corner).
# Status 1 when no such window is shown.
read_window() {
    local out name l t w h
    if ! out=$(probe window "$1"); then
        SEEN="no window called '$1'"
        return 1
    fi
    CAPTION_X=0 CAPTION_Y=0 CLOSE_X=0 CLOSE_Y=0 MENU_Y=0 MENU_H=0 CORNER_X=0 CORNER_Y=0
    while read -r name l t w h; do
        case $name in
            window) WIN_X=$l WIN_Y=$t WIN_W=$w WIN_H=$h ;;
            client) WIN_CLIENT_X=$l WIN_CLIENT_Y=$t WIN_CLIENT_W=$w WIN_CLIENT_H=$h ;;
            caption) CAPTION_X=$((l + w / 2)) CAPTION_Y=$((t + h / 2)) ;;
            close) CLOSE_X=$((l + w / 2)) CLOSE_Y=$((t + h / 2)) ;;
            menubar) MENU_Y=$t MENU_H=$h ;;
            corner) CORNER_X=$l CORNER_Y=$t ;;
        esac
    done <<<"$out"
}

# Reads one child window of a shown window into CTL_X, CTL_Y, CTL_W and
# CTL_H: the window's caption, then an awk condition on the probe's fields
# ($1 id, $2 class, $3 style, $4 visible, $5 to $8 its rectangle).
read_control() {
    local found
    found=$(probe controls "$1" | awk "$2 { print \$5, \$6, \$7, \$8; exit }")
    SEEN="no control of '$1' where $2"
    [ -n "$found" ] || return 1
    # shellcheck disable=SC2034 # read by the scripts that source this file
    read -r CTL_X CTL_Y CTL_W CTL_H <<<"$found"
}

window_shown() {
    SEEN="no window called '$1'"
    probe window "$1" >/dev/null
}

window_gone() {
    SEEN="window '$1' is still there"
    ! probe window "$1" >/dev/null
}

# Reads the main window's place, client area and frame, again after a resize.
read_main_window() {
    read_window Quillmark || fail "Quillmark's main window is gone"
    QM_X=$WIN_X QM_Y=$WIN_Y QM_W=$WIN_W QM_H=$WIN_H
    CLIENT_LEFT=$WIN_CLIENT_X CLIENT_TOP=$WIN_CLIENT_Y
    CLIENT_RIGHT=$((WIN_CLIENT_X + WIN_CLIENT_W - 1))
    CLIENT_BOTTOM=$((WIN_CLIENT_Y + WIN_CLIENT_H - 1))
    # shellcheck disable=SC2034 # read by the scripts that source this file
    QM_CAPTION_X=$CAPTION_X QM_CAPTION_Y=$CAPTION_Y QM_CLOSE_X=$CLOSE_X QM_CLOSE_Y=$CLOSE_Y \
        QM_MENU_Y=$MENU_Y QM_MENU_H=$MENU_H QM_CORNER_X=$CORNER_X QM_CORNER_Y=$CORNER_Y
    if [ "$QM_CAPTION_Y" -eq 0 ] || [ "$QM_CLOSE_X" -eq 0 ] || [ "$QM_MENU_H" -eq 0 ] ||
        [ "$QM_CORNER_X" -eq 0 ]; then
        fail "the main window's frame: caption at y $QM_CAPTION_Y, close box at x $QM_CLOSE_X, menu bar $QM_MENU_H rows, corner at x $QM_CORNER_X"
    fi
}

client_white() {
    all_colour "$CLIENT_LEFT" "$CLIENT_TOP" $((CLIENT_RIGHT - CLIENT_LEFT + 1)) \
        $((CLIENT_BOTTOM - CLIENT_TOP + 1)) "$WHITE"
}

# Runs QM_EXE, waits until its window is shown and painted white, and gives
# it the keyboard.
launch() {
    "$WINE" "$QM_EXE" >/dev/null 2>&1 </dev/null &
    QM_PID=$!
    [ -f "$QM_PROBE" ] || fail "no probe at '$QM_PROBE': it is built with the tests"
    wait_until "Quillmark's main window" 30 window_shown Quillmark
    read_main_window
    wait_for "a white client area" 15 client_white
    focus_main
}

program_ended() {
    SEEN="Quillmark.exe (pid $QM_PID) is still running"
    ! kill -0 "$QM_PID" 2>/dev/null
}

# --- keyboard and mouse ------------------------------------------------------

click() { xdotool mousemove "$1" "$2" click 1; }

# A click on the caption gives the main window the keyboard (xdotool's
# --window keys are ignored by Wine) without touching the drawing.
focus_main() { click "$QM_CAPTION_X" "$QM_CAPTION_Y"; }

# Opens the menu bar with a tap of Alt and presses the keys that follow, as
# a person would: arrows to move, Return to choose. Where a popup opens
# (Down), the last key waits until it is shown, and the choice until every
# menu is closed: the command is queued then, ahead of any input that
# follows. Not F10, which a person may press as well: with the keyboard
# description of newer X servers (xkb-data 2.48), which gives F10 levels
# for Alt too, xdotool sends it with Alt held, and Alt+F10 opens no menu.
menu() {
    local last=${*: -1}
    xdotool key --delay 20 alt "${@:1:$#-1}"
    case " $* " in
        *" Down "*)
            wait_until "a menu after Alt ${*:1:$#-1}" 10 menu_shown
            xdotool key "$last"
            wait_until "the menus to close after $last" 10 menus_closed
            ;;
        *) xdotool key "$last" ;;
    esac
}

menu_count() { probe menus; }

menu_shown() {
    SEEN="no menu shown"
    [ "$(menu_count)" -gt 0 ]
}

menus_closed() {
    local n
    n=$(menu_count)
    SEEN="$n menus still shown"
    [ "$n" -eq 0 ]
}

# A drag with the left button through the given points: x1 y1 x2 y2 ...
# Each point is one real pointer motion; the short pauses let Wine read each
# one, as it merges the motions it finds waiting together.
drag() {
    local args=(mousemove "$1" "$2" mousedown 1)
    shift 2
    while [ $# -ge 2 ]; do
        args+=(sleep 0.005 mousemove "$1" "$2")
        shift 2
    done
    xdotool "${args[@]}" mouseup 1
}
