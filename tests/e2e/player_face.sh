#!/usr/bin/env bash
# The player under a window manager with a tray: it opens at its stored place
# with the Topaz face, its face buttons answer real clicks (windowshade, stay
# on top), a double-click on the title strip toggles windowshade, dragging
# snaps to the work area's edge, the tray icon opens the main menu, and the
# close button ends the program, storing the place.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/player_lib.sh"

start_x wm
trayer --edge bottom --align right --widthtype pixel --width 60 --heighttype pixel --height 24 \
    >/dev/null 2>&1 &
E2E_PIDS+=($!)
make_app_folder
write_player_settings 300 200
start_kalotalk
wait_player
expect_player_at 300 200 275 116
sleep 1

# The Topaz face: below the position bar the screen shows Main.bmp.
main_bmp=$(ls "$APP"/skins/Topaz/* | grep -i '/main.bmp$')
for p in "150 84" "270 60" "5 100"; do
    set -- $p
    [ "$(screen_pixel $((300 + $1)) $((200 + $2)))" = "$(bitmap_pixel "$main_bmp" "$1" "$2")" ] ||
        fail "the face at $1,$2 is not Topaz's Main.bmp"
done

# Another program becomes active: face buttons 0 to 3 go and the inactive
# title strip (row 15 of Titlebar.bmp) shows where the close button was; a
# click on the face brings them back.
titlebar_bmp=$(ls "$APP"/skins/Topaz/* | grep -i '/titlebar.bmp$')
xmessage -geometry +600+450 "another program" >/dev/null 2>&1 &
E2E_PIDS+=($!)
other=""
for _ in $(seq 100); do
    other=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n1 || true)
    [ -n "$other" ] && break
    sleep 0.05
done
[ -n "$other" ] || fail "xmessage did not start"
xdotool windowactivate --sync "$other"
# Whether the title strip on the screen, from x for w pixels, shows row y of
# Titlebar.bmp.
strip_shows() {
    import -window root "$E2E_TMP/screen.png"
    convert "$E2E_TMP/screen.png" -crop "$3"x14+$((300 + $1))+200 +repage "$E2E_TMP/a.png"
    convert "$titlebar_bmp" -crop "$3"x14+$((27 + $1))+$2 +repage "$E2E_TMP/b.png"
    [ "$(compare -metric AE "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1)" = 0 ]
}
# Inactive: the whole strip is row 15, nothing over it.
ok=""
for _ in $(seq 40); do
    strip_shows 0 15 275 && { ok=1; break; }
    sleep 0.05
done
[ -n "$ok" ] || fail "the inactive title strip did not show"
import -window root "$E2E_TMP/inactive.png"
# Active again (a click on the face): row 0 between the buttons.
click_at $((300 + 150)) $((200 + 84))
ok=""
for _ in $(seq 40); do
    strip_shows 16 0 226 && { ok=1; break; }
    sleep 0.05
done
[ -n "$ok" ] || fail "the active title strip did not come back"

# Face button 2 (windowshade), then a double-click on the strip.
click_at $((300 + 258)) $((200 + 7))
expect_player_at 300 200 275 14
xdotool mousemove --sync $((300 + 100)) $((200 + 6))
xdotool click --repeat 2 --delay 80 1
expect_player_at 300 200 275 116

# Face button 5 (always on top) latches and makes the window topmost.
click_at $((300 + 14)) $((200 + 36))
for _ in $(seq 40); do
    xprop -id "$PLAYER" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && break
    sleep 0.05
done
xprop -id "$PLAYER" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "not on top after face button 5"
click_at $((300 + 14)) $((200 + 36))
sleep 0.3
xprop -id "$PLAYER" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && fail "still on top"

# Dragging the face: a left edge 8 pixels from the screen's snaps to it, and
# the pointer keeps its place in the window.
drag 450 284 420 290 300 295 200 300 158 300
expect_player_at 0 216 275 116
eval "$(xdotool getmouselocation --shell)"
[ "$X" = 150 ] || fail "the pointer was not moved with the snap (x $X)"
xdotool mouseup 1
# 12 pixels away: no snap.
drag 150 300 162 300
expect_player_at 12 216 275 116
xdotool mouseup 1

# Face button 1 minimises the window; the tray icon (a left press) brings
# it back and opens the main menu.
click_at $((12 + 248)) $((216 + 7))
for _ in $(seq 40); do
    xprop -id "$PLAYER" WM_STATE | grep -q Iconic && break
    sleep 0.05
done
xprop -id "$PLAYER" WM_STATE | grep -q Iconic || fail "face button 1 did not minimise"

tray=""
for _ in $(seq 60); do
    for w in $(xdotool search --onlyvisible --class kalotalk 2>/dev/null); do
        window_geometry "$w"
        [ "$WW" -le 32 ] && [ "$WH" -le 32 ] && [ "$WY" -gt 700 ] && tray=$w
    done
    [ -n "$tray" ] && break
    sleep 0.05
done
[ -n "$tray" ] || fail "no tray icon"
window_geometry "$tray"
click_at $((WX + WW / 2)) $((WY + WH / 2))
menu=""
for _ in $(seq 60); do
    for w in $(xdotool search --onlyvisible --class kalotalk 2>/dev/null); do
        window_geometry "$w"
        [ "$WH" -gt 150 ] && [ "$WW" -gt 150 ] && [ "$WW" != 275 ] && [ "$WW" != 150 ] && menu=$w
    done
    [ -n "$menu" ] && break
    sleep 0.05
done
[ -n "$menu" ] || fail "the tray icon opened no menu"
import -window root "$E2E_TMP/tray_menu.png"
xprop -id "$PLAYER" WM_STATE | grep -q Normal || fail "the tray did not bring the player back"
xdotool key Escape
sleep 0.3

# The close button ends the program; the place is stored.
click_at $((12 + 268)) $((216 + 7))
wait_exit "$KALO_PID" || fail "kalotalk exited with an error"
[ "$(setting MainLeft)" = 12 ] || fail "MainLeft $(setting MainLeft)"
[ "$(setting MainTop)" = 216 ] || fail "MainTop $(setting MainTop)"
echo "PASS"
