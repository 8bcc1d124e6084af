# Steps shared by the player's end-to-end tests. Source after lib.sh.

# Settings that open the player straight away at 300, 200.
write_player_settings() {
    printf '[General]\r\nShowSelector=0\r\nActiveUI=1\r\nGreetingWhenStart=0\r\n' >"$APP/kalo.dll"
    printf '[MainWnd]\r\nMainLeft=%s\r\nMainTop=%s\r\n%s' "${1:-300}" "${2:-200}" "${3:-}" >>"$APP/kalo.dll"
}

# The player window (275 wide; the character's window has the same name): its
# id in PLAYER.
wait_player() {
    for _ in $(seq 200); do
        for w in $(xdotool search --onlyvisible --name '^Kalotalk$' 2>/dev/null); do
            window_geometry "$w"
            if [ "$WW" = 275 ]; then PLAYER=$w; return 0; fi
        done
        sleep 0.05
    done
    fail "the player window did not appear"
}

# Waits until the player's geometry is X Y W H.
expect_player_at() {
    for _ in $(seq 60); do
        window_geometry "$PLAYER"
        [ "$WX $WY $WW $WH" = "$1 $2 $3 $4" ] && return 0
        sleep 0.05
    done
    fail "player at $WX,$WY ${WW}x$WH, expected $1,$2 $3x$4"
}

# The colour of a screen pixel, and of a pixel of a bitmap.
screen_pixel() {
    import -window root "$E2E_TMP/screen.png"
    convert "$E2E_TMP/screen.png" -format "%[pixel:p{$1,$2}]" info:
}
bitmap_pixel() {
    convert "$1" -format "%[pixel:p{$2,$3}]" info:
}

# Drags with the left button from one screen point through the others.
drag() {
    xdotool mousemove --sync "$1" "$2"
    xdotool mousedown 1
    shift 2
    while [ $# -ge 2 ]; do
        sleep 0.1
        xdotool mousemove --sync "$1" "$2"
        shift 2
    done
    sleep 0.2
}

# A setting as the program wrote it.
setting() {
    tr -d '\r' <"$APP/kalo.dll" | grep "^$1=" | cut -d= -f2
}
