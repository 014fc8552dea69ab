#!/usr/bin/env bash
# "Colours" > "Choose": the platform's colour dialog opens expanded on the
# current colour; a colour confirmed from the keyboard or with the mouse is
# the one selected next time and the one shapes are drawn in; a cancelled
# choice changes nothing.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin "$@"

# Places in the dialog found once on a screenshot, from its top left corner:
# the colour spectrum of the expanded part, a swatch of the basic colours
# (fifth row, sixth column) and the OK button.
SPECTRUM_DX=236 SPECTRUM_DY=34 SPECTRUM_W=165 SPECTRUM_H=175
SWATCH_DX=150 SWATCH_DY=122
OK_DX=45 OK_DY=304
# Wine's dialog is 456 pixels wide expanded and about half that collapsed.
EXPANDED_WIDTH=400

KEYED=20,130,90
CANCELLED=200,200,30

preview_shows() {
    wait_for "the colour $1 selected in the dialog ($2)" 10 preview_is "$1"
}

spectrum_shown() {
    local shades
    shades=$(count_colours $((DLG_X + SPECTRUM_DX)) $((DLG_Y + SPECTRUM_DY)) "$SPECTRUM_W" "$SPECTRUM_H")
    SEEN="the expanded part shows $shades colours, wanted a spectrum of at least 200"
    [ "$shades" -ge 200 ]
}

launch

# First opening (found by its exact caption): the current colour is black,
# and the custom-colour part is already open beside the basic colours.
open_colours
[ "$WIN_W" -ge "$EXPANDED_WIDTH" ] || fail "colour dialog is ${WIN_W} px wide, wanted at least $EXPANDED_WIDTH: not expanded"
note "dialog '$COLOUR_DIALOG' ${WIN_W}x${WIN_H}"
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

# A basic colour clicked with the mouse, confirmed with the OK button.
swatch=$(px $((DLG_X + SWATCH_DX)) $((DLG_Y + SWATCH_DY)))
[ "$swatch" != "$KEYED" ] || fail "the swatch already has the typed colour $KEYED"
click $((DLG_X + SWATCH_DX)) $((DLG_Y + SWATCH_DY))
preview_shows "$swatch" "after a click on a swatch"
keep dialog-clicked
click $((DLG_X + OK_DX)) $((DLG_Y + OK_DY))
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
