#!/usr/bin/env bash
# The player without a window manager: a stored place on no screen is
# brought into the work area, the window drags itself and snaps to the top
# edge, a double-click on the strip toggles windowshade, a .wsz skin dresses
# the face, and Converter Mode brings back the selector on the converter page,
# from which the converter opens.
APP_DIR=$1
SAPPHIRE=$2
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/player_lib.sh"

start_x
make_app_folder
cp "$SAPPHIRE" "$APP/skins/"
write_player_settings 5000 4000 $'Skin=Sapphire\r\n'
start_kalotalk
wait_player
# Moved the least distance into the 1024 x 768 screen.
expect_player_at 749 652 275 116
sleep 1
import -window root "$E2E_TMP/sapphire.png"
# The .wsz skin's face is not Topaz's.
main_bmp=$(ls "$APP"/skins/Topaz/* | grep -i '/main.bmp$')
[ "$(screen_pixel $((749 + 150)) $((652 + 84)))" != "$(bitmap_pixel "$main_bmp" 150 84)" ] ||
    fail "the face shows Topaz, not the .wsz skin"

# A press on the file label goes to the label: no drag.
drag $((749 + 120)) $((652 + 30)) 700 500 600 400
xdotool mouseup 1
expect_player_at 749 652 275 116
# The position bar shows only, so a press on it reaches the face. Dragged
# towards the top: within 12 pixels of it the window snaps to 0.
drag $((749 + 150)) $((652 + 77)) 700 500 600 300 600 100 600 $((77 + 7))
expect_player_at 450 0 275 116
xdotool mouseup 1

# Windowshade by a double-click on the strip, and back.
xdotool mousemove --sync $((450 + 120)) 6
xdotool click --repeat 2 --delay 80 1
expect_player_at 450 0 275 14
import -window root "$E2E_TMP/sapphire_shade.png"
xdotool click --repeat 2 --delay 80 1
expect_player_at 450 0 275 116

# Converter Mode from the main menu (Alt+F, the sixth item).
xdotool windowfocus --sync "$PLAYER"
xdotool key alt+f
sleep 0.4
for _ in 1 2 3 4 5 6; do xdotool key Down; done
xdotool key Return
wait_window "Select User Interface"
xdotool search --onlyvisible --name '^Kalotalk$' >/dev/null 2>&1 && fail "the player is still shown"
import -window root "$E2E_TMP/selector.png"
# Launch (the default button) opens the converter.
xdotool windowfocus --sync "$WIN" key Return
wait_window "Text To Speech/Wav/Mp3 Converter"
sleep 0.5
# Its close button ends the program, which writes the settings.
window_geometry "$WIN"
click_at $((WX + WW - 97 + 75 + 8)) $((WY + 5 + 8))
wait_exit "$KALO_PID" || fail "kalotalk exited with an error"
[ "$(setting ActiveUI)" = 0 ] || fail "ActiveUI $(setting ActiveUI)"
[ "$(setting MainLeft)" = 450 ] || fail "MainLeft $(setting MainLeft)"
[ "$(setting MainTop)" = 0 ] || fail "MainTop $(setting MainTop)"
echo "PASS"
