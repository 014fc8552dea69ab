#!/usr/bin/env bash
# A long session with the real window: several rounds of pencil strokes,
# shapes, eraser strokes, colour choices, resizes by the window's corner and
# Clear, all with real input. After each phase a screenshot must show what was
# drawn within a deadline (the program keeps up), and the memory of the
# process may grow with the records of a round but not from round to round.
# LONG_SESSION_ROUNDS sets the number of rounds (default 10, about a minute).
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin "$@"

ROUNDS=${LONG_SESSION_ROUNDS:-10}
# Growth of the resident memory allowed from the end of the first round (when
# the dialogs, fonts and menus have been loaded once) to the end of any later
# one, in kB. A back buffer left behind at each resize would add about 2 MB.
LEAK_KB=3072
# Growth allowed within a round, over the round's start, in kB: its records
# take a few kB; the rest is what paints, dialogs and resizes use on the way.
ROUND_KB=16384

COLOURS=("200,30,30" "30,140,60" "40,60,200" "150,60,160" "220,140,20" "20,150,160")

# A freehand stroke of n points, 6 px apart, from a client point along a
# gentle zigzag: x y n.
c_stroke() {
    # shellcheck disable=SC2046
    c_drag $(awk -v x="$1" -v y="$2" -v n="$3" 'BEGIN {
        for (i = 0; i < n; i++) printf "%d %d ", x + 6 * i, y + ((i % 8) < 4 ? i % 4 : 4 - i % 4) * 3 }')
}

# Resident memory of the Quillmark process, in kB.
qm_rss() {
    awk '/^VmRSS:/ {print $2}' "/proc/$QM_PID/status"
}

# The Windows process is the one Wine started for the .exe; make sure the
# pid is that process and not a launcher that went away.
check_pid() {
    tr '\0' ' ' <"/proc/$QM_PID/cmdline" | grep -qi 'quillmark\.exe' \
        || fail "pid $QM_PID is not Quillmark.exe: $(tr '\0' ' ' <"/proc/$QM_PID/cmdline")"
}

window_size_is() {
    read_window Quillmark || return 1
    SEEN="the window is ${WIN_W}x${WIN_H}, wanted $1x$2"
    [ "$WIN_W" -eq "$1" ] && [ "$WIN_H" -eq "$2" ]
}

# Drags the window's bottom right corner by dx, dy, as a person resizes it.
resize_by() {
    local x=$QM_CORNER_X y=$QM_CORNER_Y w=$((QM_W + $1)) h=$((QM_H + $2))
    xdotool mousemove "$x" "$y" mousedown 1 sleep 0.05 \
        mousemove $((x + $1 / 2)) $((y + $2 / 2)) sleep 0.05 \
        mousemove $((x + $1)) $((y + $2)) sleep 0.05 mouseup 1
    wait_until "the window resized to ${w}x${h}" 10 window_size_is "$w" "$h"
    read_main_window
}

declare -a RSS_LOG=()
sample() {
    local kb
    kb=$(qm_rss)
    RSS_LOG+=("round $1 $2: $kb kB")
    note "round $1, $2: VmRSS $kb kB"
    LAST_RSS=$kb
}

launch
check_pid
note "main window ${QM_W}x${QM_H} at $QM_X,$QM_Y"
START_RSS=$(qm_rss)
note "after start: VmRSS $START_RSS kB"

FIRST_ROUND_RSS=
for round in $(seq 1 "$ROUNDS"); do
    colour=${COLOURS[$(((round - 1) % ${#COLOURS[@]}))]}
    round_start=$(qm_rss)

    # Pencil: twelve strokes in a colour of this round.
    choose_colour "$colour"
    choose_pencil
    for row in $(seq 0 11); do
        c_stroke 30 $((30 + row * 22)) 30
    done
    wait_for "round $round: the last pencil stroke" 10 c_near 30 272 "$colour"
    expect "round $round: the first pencil stroke" c_near 30 30 "$colour"
    keep "round$round-pencil"
    sample "$round" pencil

    # Shapes with every shape tool, to the right of the strokes.
    choose_rectangle
    c_drag 260 30 300 60 340 90
    choose_ellipse
    c_drag 360 30 400 60 440 90
    choose_filled_rectangle
    c_drag 260 110 300 140 340 170
    choose_filled_ellipse
    c_drag 360 110 400 140 440 170
    choose_line_tool
    c_drag 260 200 350 215 440 230
    wait_for "round $round: the line" 10 c_near 350 215 "$colour" 2
    expect "round $round: the rectangle's left side" c_near 260 60 "$colour" 2
    expect "round $round: inside the rectangle" c_is 300 60 "$WHITE"
    expect "round $round: the ellipse's left edge" c_near 361 60 "$colour" 2
    expect "round $round: the filled rectangle" c_is 300 140 "$colour"
    expect "round $round: the filled ellipse" c_is 400 140 "$colour"
    keep "round$round-shapes"
    sample "$round" shapes

    # The eraser through the middle of the filled shapes.
    choose_eraser
    c_drag 250 140 290 140 330 140 370 140 410 140 450 140
    wait_for "round $round: the eraser through the filled ellipse" 10 c_is 400 140 "$WHITE"
    expect "round $round: the eraser through the filled rectangle" c_is 300 140 "$WHITE"
    expect "round $round: the filled rectangle above the eraser" c_is 300 120 "$colour"
    keep "round$round-eraser"
    sample "$round" eraser

    # Larger, then back: the picture stays where it was.
    resize_by 120 60
    wait_for "round $round: the new part of the client area painted" 10 \
        c_is $((CLIENT_RIGHT - CLIENT_LEFT - 20)) $((CLIENT_BOTTOM - CLIENT_TOP - 20)) "$WHITE"
    expect "round $round: the picture after growing" c_is 300 120 "$colour"
    keep "round$round-larger"
    resize_by -120 -60
    wait_for "round $round: the picture after shrinking" 10 c_is 300 120 "$colour"
    expect "round $round: a pencil stroke after shrinking" c_near 30 30 "$colour"
    sample "$round" resizes

    clear_drawing
    wait_for "round $round: a white client area after Clear" 10 client_white
    keep "round$round-clear"
    sample "$round" clear

    if [ -z "$FIRST_ROUND_RSS" ]; then
        FIRST_ROUND_RSS=$LAST_RSS
    else
        leak=$((LAST_RSS - FIRST_ROUND_RSS))
        [ "$leak" -le "$LEAK_KB" ] \
            || fail "round $round ends with VmRSS $LAST_RSS kB, $leak kB over the first round's end (allowed $LEAK_KB)"
    fi
    for entry in "${RSS_LOG[@]}"; do
        kb=${entry##*: }
        kb=${kb% kB}
        [ $((kb - round_start)) -le "$ROUND_KB" ] \
            || fail "$entry: more than $ROUND_KB kB over the round's start ($round_start kB)"
    done
    RSS_LOG=()
done

note "VmRSS: $START_RSS kB after start, $FIRST_ROUND_RSS kB after round 1, $LAST_RSS kB after round $ROUNDS"

# Still answering after all the rounds.
focus_main
exit_from_file_menu
