#!/usr/bin/env bash
# "Colours" > "Choose": the platform's colour dialog opens expanded on the
# current colour; a colour confirmed from the keyboard or with the mouse is
# the one selected next time and the one shapes are drawn in; a cancelled
# choice changes nothing.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin "$@"

KEYED=20,130,90
CANCELLED=200,200,30
IDOK=1

preview_shows() {
    wait_for "the colour $1 selected in the dialog ($2)" 10 preview_is "$1"
}

# The spectrum of the expanded part, read by open_colours_expanded.
SPECTRUM_X=0 SPECTRUM_Y=0 SPECTRUM_W=0 SPECTRUM_H=0

spectrum_shown() {
    local shades
    shades=$(count_colours "$SPECTRUM_X" "$SPECTRUM_Y" "$SPECTRUM_W" "$SPECTRUM_H")
    SEEN="the expanded part shows $shades colours, wanted a spectrum of at least 200"
    [ "$shades" -ge 200 ]
}

# The dialog is open expanded when its spectrum is shown inside it.
open_colours_expanded() {
    open_colours
    colour_control "$COLOR_RAINBOW" || fail "no colour spectrum shown: $SEEN"
    SPECTRUM_X=$CTL_X SPECTRUM_Y=$CTL_Y SPECTRUM_W=$CTL_W SPECTRUM_H=$CTL_H
    if [ "$CTL_X" -lt "$DLG_X" ] || [ $((CTL_X + CTL_W)) -gt $((DLG_X + DLG_W)) ]; then
        fail "the spectrum ($CTL_W px from x $CTL_X) lies outside the ${DLG_W} px wide dialog at x $DLG_X: not expanded"
    fi
}

launch

# First opening (found by its exact caption): the current colour is black,
# and the custom-colour part is already open beside the basic colours.
open_colours_expanded
note "dialog '$COLOUR_DIALOG' ${DLG_W}x${DLG_H}"
wait_for "the colour dialog's spectrum" 10 spectrum_shown
keep dialog-first
preview_shows 0,0,0 "first opening"

# A colour typed into Red, Green and Blue, confirmed with Return.
type_colour "$KEYED"
keep dialog-typed
close_colours Return
open_colours
preview_shows "$KEYED" "after a typed choice"
keep dialog-reopened-typed

# A basic colour clicked with the mouse, confirmed with the OK button. The
# basic colours stand in 6 rows of 8; this is the middle of the sixth in the
# fifth row.
colour_control "$COLOR_BOX1" || fail "the basic colours: $SEEN"
swatch_x=$((CTL_X + CTL_W * 11 / 16)) swatch_y=$((CTL_Y + CTL_H * 9 / 12))
grab
swatch=$(px "$swatch_x" "$swatch_y")
[ "$swatch" != "$KEYED" ] || fail "the swatch already has the typed colour $KEYED"
click "$swatch_x" "$swatch_y"
preview_shows "$swatch" "after a click on a swatch"
keep dialog-clicked
colour_control "$IDOK" || fail "the OK button: $SEEN"
click $((CTL_X + CTL_W / 2)) $((CTL_Y + CTL_H / 2))
wait_until "the colour dialog to close on OK" 10 window_gone "$COLOUR_DIALOG"
open_colours
preview_shows "$swatch" "after a clicked choice"
keep dialog-reopened-clicked

# A choice left with Esc (Cancel) does not count.
type_colour "$CANCELLED"
close_colours Escape
open_colours
preview_shows "$swatch" "after a cancelled choice"
close_colours Escape
note "typed $KEYED, clicked $swatch, cancelled $CANCELLED: each reopening showed the right one"

# The confirmed colour is the drawing colour.
choose_rectangle
c_drag 100 100 200 180 300 250
wait_for "a rectangle in $swatch" 10 c_near 100 175 "$swatch"
keep rectangle
expect "rectangle's inside" c_is 200 175 "$WHITE"

exit_from_file_menu
