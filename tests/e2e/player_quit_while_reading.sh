#!/usr/bin/env bash
# The program ends promptly and cleanly while a list entry of some tens of
# megabytes is still being read in the background: closed right after Play,
# and after Play followed at once by Converter Mode (the player destroyed
# under the read) and the selector's close. The program's log must hold no
# sanitizer report. Prints how long each end took.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/player_lib.sh"

start_x
make_app_folder
{ yes "Words of a long document, read aloud by the character." || true; } | head -c 60000000 >"$APP/txt/large.txt"
printf '%s\r\n' "$APP/txt/large.txt" >"$APP/filelist.dll"

clean_end() { # clean_end WHAT: waits for the program's end and checks it
    local start=$(date +%s%N)
    wait_exit "$KALO_PID" || fail "$1: kalotalk exited with an error"
    echo "$1: ended after $((($(date +%s%N) - start) / 1000000)) ms"
    if grep -E "AddressSanitizer|LeakSanitizer|runtime error:" "$E2E_TMP/kalotalk.log"; then
        fail "$1: a sanitizer report"
    fi
}

# Play, and at once Exit (Alt+F4).
write_player_settings 300 200
start_kalotalk
wait_player
sleep 1
xdotool windowfocus --sync "$PLAYER" key x alt+F4
clean_end "closed while reading"

# Play, and at once Converter Mode (Alt+F, the sixth item): the player goes
# while the file is read; then the selector's close ends the program.
write_player_settings 300 200
start_kalotalk
wait_player
sleep 1
xdotool windowfocus --sync "$PLAYER" key x alt+f
sleep 0.3
for _ in 1 2 3 4 5 6; do xdotool key Down; done
xdotool key Return
wait_window "Select User Interface"
window_geometry "$WIN"
# Its own close button (as in selector_close_writes_files).
click_at $((WX + WW - 97 + 75 + 8)) $((WY + 5 + 8))
clean_end "Converter Mode while reading"
echo "PASS"
