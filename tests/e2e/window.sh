#!/usr/bin/env bash
# The main window, its menu bar and white client area, the About box from the
# menu and both accelerators, and the three ways to end the program.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin "$@"

about_shown() {
    window_shown "About Quillmark"
}

# The About box's icon control and a point of its plain background, read by
# check_about: the probe finds the control by its style (SS_ICON).
ICON_X=0 ICON_Y=0 ICON_W=0 ICON_H=0 FACE_X=0 FACE_Y=0

# The program's icon in the About box: the pixels of the icon control that
# differ from the box's background.
ICON_PIXELS=0
about_icon_shown() {
    local face n
    face=$(px "$FACE_X" "$FACE_Y")
    n=$(count_colour "$ICON_X" "$ICON_Y" "$ICON_W" "$ICON_H" "$face")
    ICON_PIXELS=$((ICON_W * ICON_H - n))
    SEEN="only $ICON_PIXELS pixels of the ${ICON_W}x$ICON_H icon control differ from the background $face, wanted at least 150"
    [ "$ICON_PIXELS" -ge 150 ]
}

# Checks that the About box opens (its caption is exact) and shows the icon.
check_about() {
    local how=$1
    wait_until "the About box after $how" 15 about_shown
    # shellcheck disable=SC2016 # an awk condition, for awk's fields
    read_control "About Quillmark" '$2 == "Static" && $3 % 32 == 3' ||
        fail "the About box's icon control: $SEEN"
    ICON_X=$CTL_X ICON_Y=$CTL_Y ICON_W=$CTL_W ICON_H=$CTL_H
    # Below the icon, left of the text: no control stands there.
    read_window "About Quillmark" || fail "the About box after $how: $SEEN"
    FACE_X=$((ICON_X + 2)) FACE_Y=$((WIN_CLIENT_Y + WIN_CLIENT_H - 3))
    wait_for "the icon in the About box after $how" 10 about_icon_shown
    keep "about-$how"
    note "About box after $how: icon area has $ICON_PIXELS pixels of artwork"
}

close_about() {
    xdotool key "$1"
    wait_until "the About box to close on $1" 10 window_gone "About Quillmark"
}

# launch finds the main window by its exact caption, Quillmark.
launch

# The menu bar, between caption and client area, shows its labels in dark
# text.
menu_bar_text() {
    local dark
    dark=$(darkest "$CLIENT_LEFT" "$QM_MENU_Y" 220 "$QM_MENU_H")
    SEEN="darkest value in the menu bar is $dark, wanted below 80"
    [ "$dark" -lt 80 ]
}
wait_for "menu bar labels" 10 menu_bar_text
keep window
# The client area is white to its very edges.
expect "client area after start-up" client_white
note "window ${QM_W}x${QM_H} at $QM_X,$QM_Y; menu bar text present; client area white"

# The About box: from the Help menu (closed with Return, its default button),
# then from Alt+? and Alt+/ (closed with Esc).
open_about_box
check_about help-menu
close_about Return

xdotool key alt+question
check_about alt-question
close_about Escape

xdotool key alt+slash
check_about alt-slash
close_about Escape

# Accelerators and clicks reach the main window again once the box is gone.
wait_for "a white client area after the About box" 10 client_white

exit_from_file_menu

# The close box at the right end of the caption.
launch
click "$QM_CLOSE_X" "$QM_CLOSE_Y"
expect_exit_code 0 "the close box"

# Alt+F4, that is WM_CLOSE from the system menu.
launch
xdotool key alt+F4
expect_exit_code 0 "Alt+F4"
