#!/usr/bin/env bash
# Straight into the converter: typing into the editor and Ctrl+S put the text
# on disk; closing the window ends the program, which writes the document
# list in tab order.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

start_x
make_app_folder
mkdir -p "$APP/txt" "$E2E_TMP/docs"
printf 'first document\r\n' >"$E2E_TMP/docs/First.txt"
printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\n[Converter]\r\nTabIndex=1\r\n' >"$APP/kalo.dll"
printf '%s\r\n%s\r\n' "$E2E_TMP/docs/First.txt" "$APP/txt/second.txt" >"$APP/filelist.dll"

start_kalotalk
wait_window "Text To Speech/Wav/Mp3 Converter"
window_geometry "$WIN"
sleep 0.5

# Click into the editor (the middle of the window) and type.
click_at $((WX + WW / 2)) $((WY + WH / 2))
xdotool type --delay 20 "Hello from the keyboard"
xdotool key Return
xdotool type --delay 20 "second line"
xdotool key ctrl+s
sleep 0.5
[ "$(cat "$APP/txt/second.txt")" = "$(printf 'Hello from the keyboard\nsecond line')" ] ||
    fail "the saved file holds: $(od -c "$APP/txt/second.txt" | head)"
import -window root "$E2E_TMP/converter.png"
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/converter.png" "$E2E_SHOTS/converter.png"

click_at $((WX + WW - 97 + 75 + 8)) $((WY + 5 + 8))
wait_exit "$KALO_PID" || fail "kalotalk exited with an error"

expected="$E2E_TMP/expected"
printf '%s\r\n%s\r\n' "$E2E_TMP/docs/First.txt" "$APP/txt/second.txt" >"$expected"
expect_file_equals "$APP/filelist.dll" "$expected"
grep -q $'^ActiveUI=0\r$' "$APP/kalo.dll" || fail "ActiveUI was not kept"
grep -q $'^ConverterWidth=' "$APP/kalo.dll" || fail "the converter's size was not stored"
[ "$(cat "$E2E_TMP/docs/First.txt")" = "$(printf 'first document\r')" ] || fail "the other document changed"
echo "PASS"
