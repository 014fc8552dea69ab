#!/usr/bin/env bash
# Drawing with every tool, in several colours, with real mouse drags: a house
# under a cloud and a sun. Each shape is checked on the screen where it was
# dragged, once the last drag of its step shows (input is handled in order); the picture is saved as picture.png among the screenshots (the
# README's picture: scripts/readme-picture.sh); then "Clear" empties it.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin "$@"

CLOUD=70,130,220
SUN=245,180,30
NAVY=40,50,110
ROOF=190,50,40
DOOR=140,85,40
GLASS=160,205,240
GRASS=50,150,60

# The sun and the white around it, and nothing else: no outline.
sun_alone() {
    local x=$((CLIENT_LEFT + 584)) y=$((CLIENT_TOP + 44)) size=112 sun white
    sun=$(count_colour "$x" "$y" "$size" "$size" "$SUN")
    white=$(count_colour "$x" "$y" "$size" "$size" "$WHITE")
    SEEN="$((size * size - sun - white)) pixels around it are neither $SUN nor white, wanted 0 (an outline?)"
    [ $((sun + white)) -eq $((size * size)) ]
}

# Points of a wave along y, from x0 to x1, every 4 pixels: x0 y x1 amplitude period.
wave() {
    awk -v x0="$1" -v y="$2" -v x1="$3" -v a="$4" -v p="$5" 'BEGIN {
        for (x = x0; x < x1; x += 4) {
            v = a * sin(6.2831853 * (x - x0) / p)
            printf "%d %d ", x, y + (v < 0 ? int(v - 0.5) : int(v + 0.5))
        }
        printf "%d %d\n", x1, y }'
}

# Points along a straight stroke, every 11 pixels: x0 y0 x1 y1.
stroke() {
    awk -v x0="$1" -v y0="$2" -v x1="$3" -v y1="$4" 'BEGIN {
        n = int(sqrt((x1 - x0) ^ 2 + (y1 - y0) ^ 2) / 11) + 1
        for (i = 0; i <= n; i++)
            printf "%d %d ", x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n
        printf "\n" }'
}

launch

# An outlined ellipse: the cloud. Edge in colour, inside white.
choose_colour "$CLOUD"
choose_ellipse
c_drag 60 40 160 90 260 130
wait_for "the cloud's left edge" 10 c_near 61 85 "$CLOUD"
keep ellipse
expect "cloud, top edge" c_near 160 41 "$CLOUD"
expect "cloud, bottom edge" c_near 160 128 "$CLOUD"
expect "cloud, right edge" c_near 258 85 "$CLOUD"
expect "cloud, inside" c_is 160 85 "$WHITE"
expect "cloud, outside its bounds" c_is 40 85 "$WHITE"

# A filled ellipse: the sun. Inside in colour, no outline of another colour,
# corners of its bounding box left white.
choose_colour "$SUN"
choose_filled_ellipse
c_drag 590 50 640 100 690 150
wait_for "the sun" 10 c_is 640 100 "$SUN"
keep filled-ellipse
expect "sun, near its left edge" c_is 594 100 "$SUN"
expect "sun, near its top edge" c_is 640 54 "$SUN"
expect "sun, corner of its bounds" c_is 593 53 "$WHITE"
expect "sun, alone" sun_alone

# Lines in the same colour: eight rays.
choose_line_tool
for angle in 0 45 90 135 180 225 270 315; do
    # shellcheck disable=SC2046
    c_drag $(awk -v a="$angle" 'BEGIN { r = a * 3.14159265 / 180
        printf "%d %d %d %d", 640 + 62 * cos(r), 100 + 62 * sin(r), 640 + 84 * cos(r), 100 + 84 * sin(r) }')
done
wait_for "the last ray, pointing up-right" 10 c_near 692 48 "$SUN" 2
keep lines
expect "ray pointing right" c_near 713 100 "$SUN" 1
expect "ray pointing down" c_near 640 173 "$SUN" 1
expect "ray pointing up-left" c_near 588 48 "$SUN" 2
expect "between two rays" c_is 707 128 "$WHITE"

# An outlined rectangle: the house.
choose_colour "$NAVY"
choose_rectangle
c_drag 250 250 365 350 480 450
wait_for "the house's left wall" 10 c_near 250 350 "$NAVY" 1
keep rectangle
expect "house, right wall" c_near 480 350 "$NAVY" 1
expect "house, top" c_near 365 250 "$NAVY" 1
expect "house, bottom" c_near 365 450 "$NAVY" 1
expect "house, inside" c_is 365 350 "$WHITE"
expect "house, outside" c_is 240 350 "$WHITE"

# Lines in a second colour: the roof. The rays keep their own colour.
choose_colour "$ROOF"
choose_line_tool
c_drag 240 250 300 207 365 160
c_drag 365 160 430 207 490 250
wait_for "the roof's right side" 10 c_near 427 205 "$ROOF" 2
keep roof
expect "roof, left side" c_near 302 205 "$ROOF" 2
expect "roof, under it" c_is 365 225 "$WHITE"
expect "a ray after the roof" c_near 713 100 "$SUN" 1

# A filled rectangle: the door.
choose_colour "$DOOR"
choose_filled_rectangle
c_drag 340 360 365 400 390 450
wait_for "the door" 10 c_is 365 405 "$DOOR"
keep filled-rectangle
expect "door, top left" c_is 342 362 "$DOOR"
expect "door, bottom right" c_is 387 447 "$DOOR"
expect "door, left of it" c_is 336 405 "$WHITE"

# Filled rectangles in another colour, one dragged up and to the left: the
# window panes. The door keeps its own colour.
choose_colour "$GLASS"
choose_filled_rectangle
c_drag 270 290 295 315 320 340
c_drag 460 340 435 315 410 290
wait_for "the panes" 10 c_is 435 315 "$GLASS"
expect "left pane" c_is 295 315 "$GLASS"
expect "right pane, top left" c_is 412 292 "$GLASS"
expect "right pane, bottom right" c_is 457 337 "$GLASS"
expect "left of the right pane" c_is 406 315 "$WHITE"
expect "door after a new colour" c_is 365 405 "$DOOR"
keep panes

# Window frames, outlined rectangles over the panes.
choose_colour "$NAVY"
choose_rectangle
c_drag 270 290 295 315 320 340
c_drag 410 290 435 315 460 340
wait_for "the right window's frame" 10 c_near 435 290 "$NAVY" 1
expect "left frame" c_near 270 315 "$NAVY" 1
expect "pane inside its frame" c_is 283 302 "$GLASS"
keep frames

# The eraser: a cross through each window, four separate strokes.
choose_eraser
# shellcheck disable=SC2046
{
    c_drag $(stroke 262 315 328 315)
    c_drag $(stroke 295 282 295 348)
    c_drag $(stroke 402 315 468 315)
    c_drag $(stroke 435 282 435 348)
}
wait_for "the last eraser stroke" 10 c_is 435 340 "$WHITE"
keep eraser
check_erased() {
    local when=$1
    expect "left frame, erased ($when)" c_is 270 315 "$WHITE"
    expect "left window, top frame erased ($when)" c_is 295 290 "$WHITE"
    expect "left window, centre erased ($when)" c_is 295 315 "$WHITE"
    expect "right window, right frame erased ($when)" c_is 460 315 "$WHITE"
    expect "right window, bottom frame erased ($when)" c_is 435 340 "$WHITE"
    expect "left window, pane beside the cross ($when)" c_is 283 302 "$GLASS"
    expect "right window, pane beside the cross ($when)" c_is 448 328 "$GLASS"
    # No eraser stroke is joined to the next one: the panes between the end
    # of one and the start of the next keep their glass.
    expect "left pane between two eraser strokes ($when)" c_is 311 298 "$GLASS"
    expect "right pane between two eraser strokes ($when)" c_is 451 298 "$GLASS"
    expect "frame corner untouched ($when)" c_near 270 290 "$NAVY" 1
}
check_erased "eraser chosen"

# The pencil, in a new colour: grass in two strokes with a path between them.
# Drawing them repaints everything with another tool chosen.
choose_colour "$GRASS"
choose_pencil
# shellcheck disable=SC2046
{
    c_drag $(wave 10 465 330 -6 40)
    xdotool mousemove $((CLIENT_LEFT + 365)) $((CLIENT_TOP + 500))
    c_drag $(wave 400 465 740 -6 40)
}
wait_for "the grass" 10 c_near 740 465 "$GRASS" 2
xdotool mousemove $((SCREEN_W - 10)) $((SCREEN_H - 10))
grab
keep pencil
expect "grass, first stroke's start" c_near 10 465 "$GRASS" 2
expect "grass, first stroke's end" c_near 330 465 "$GRASS" 2
expect "grass, second stroke's start" c_near 400 465 "$GRASS" 2
expect "grass, a crest" c_near 20 459 "$GRASS" 2
for x in 340 365 390; do
    expect "the path between two pencil strokes at x=$x" c_is "$x" 465 "$WHITE"
done
check_erased "pencil chosen, repainted"

# Everything still in its own colour.
expect "cloud at the end" c_near 61 85 "$CLOUD"
expect "sun at the end" c_is 640 100 "$SUN"
expect "sun at the end, alone" sun_alone
expect "ray at the end" c_near 713 100 "$SUN" 1
expect "roof at the end" c_near 302 205 "$ROOF" 2
expect "house at the end" c_near 250 350 "$NAVY" 1
expect "door at the end" c_is 365 405 "$DOOR"
expect "pane at the end" c_is 283 302 "$GLASS"

save_window "$SHOTS/picture.png"

# Patches over the whole client area, each of another size, so that no part
# of the picture looks like another. Dialogs dragged across it and closed
# leave it as it was, pixel for pixel, and so does a repaint of part of it:
# each part is painted again from its own place.
PATCH=120,60,170
PATCH_ROUND=230,120,150
W=$((CLIENT_RIGHT - CLIENT_LEFT + 1)) H=$((CLIENT_BOTTOM - CLIENT_TOP + 1))
patches() {
    local i j x y
    for i in 0 1 2 3 4; do
        for j in 0 1 2 3; do
            [ $(((i + j) % 2)) -eq "$1" ] || continue
            x=$((W * (2 * i + 1) / 10)) y=$((H * (4 * j + 1) / 16))
            c_drag $((x - W / 30 - 3 * i)) $((y - H / 24 - 2 * j)) "$x" "$y" \
                $((x + W / 30 + 3 * j)) $((y + H / 24 + 2 * i))
        done
    done
}
choose_colour "$PATCH"
choose_filled_rectangle
patches 0
choose_colour "$PATCH_ROUND"
choose_filled_ellipse
patches 1
wait_for "the last round patch" 10 c_is $((W * 9 / 10)) $((H * 13 / 16)) "$PATCH_ROUND"
expect "a square patch" c_is $((W / 2)) $((H / 16)) "$PATCH"
xdotool mousemove $((SCREEN_W - 10)) $((SCREEN_H - 10))
grab
keep patches
from_shot -crop "$(client_crop)" +repage "$SHOTS/repaint-before.png"
start=$SECONDS
open_about_box
wait_until "the About box" 15 window_shown "About Quillmark"
drag_window "About Quillmark" 100 0 0 100 100 100
xdotool key Return
wait_until "the About box to close" 10 window_gone "About Quillmark"
open_colours
drag_window "$COLOUR_DIALOG" 100 100 0 50 50 0
close_colours Escape
# Wine restores what a dialog uncovers from its own copy of the window, so
# the program is also asked to repaint part of its client area, as Windows
# asks.
probe uncover Quillmark || fail "the probe could not ask Quillmark for a repaint"
xdotool mousemove $((SCREEN_W - 10)) $((SCREEN_H - 10))
if ! poll 10 on_screen client_matches "$SHOTS/repaint-before.png"; then
    from_shot -crop "$(client_crop)" +repage "$SHOTS/repaint-after.png"
    fail "the picture after dialogs were dragged over it and a repaint of part of it: $SEEN; the other is repaint-after.png"
fi
note "the picture unchanged after two dialogs dragged over it and a repaint of part of it ($((SECONDS - start)) s)"

# "Clear" on the menu bar leaves nothing.
clear_drawing
wait_for "a white client area after Clear" 10 client_white
keep clear

exit_from_file_menu
