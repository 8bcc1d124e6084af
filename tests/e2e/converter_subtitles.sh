#!/usr/bin/env bash
# "Write Subtitles", switched on from the real Playback menu, puts a SubRip
# file beside the WAV file F3 makes: a cue a sentence, ending with the audio;
# and the choice is in kalo.dll when the program ends.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

start_x
make_app_folder
printf 'The first sentence is short.\r\nThe second one follows it.\r\n' >"$APP/txt/Book.txt"
printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\nAutoSpeak=0\r\n' >"$APP/kalo.dll"
printf '[Converter]\r\nAutoName=1\r\nRealTime=32768\r\n' >>"$APP/kalo.dll"
printf '%s\r\n' "$APP/txt/Book.txt" >"$APP/filelist.dll"

start_kalotalk
wait_window "Text To Speech/Wav/Mp3 Converter"
xdotool windowfocus --sync "$WIN"
sleep 0.5

# The Playback menu; Up from the top reaches its last item, Write Subtitles.
xdotool key alt+p
sleep 0.5
import -window root "$E2E_TMP/menu.png" 2>/dev/null || true
xdotool key Up Return
sleep 0.3
xdotool key F3
for _ in $(seq 100); do [ -s "$APP/wav/Book.srt" ] && break; sleep 0.1; done
[ -s "$APP/wav/Book.srt" ] || fail "no subtitles beside the WAV file"
seconds=$(soxi -D "$APP/wav/Book.wav") || fail "no readable WAV file"
grep -c -- '-->' "$APP/wav/Book.srt" | grep -qx 2 || fail "not two cues: $(cat "$APP/wav/Book.srt")"
grep -q '^The second one follows it\.' "$APP/wav/Book.srt" || fail "the second sentence is missing"
end=$(grep -- '-->' "$APP/wav/Book.srt" | tail -1 | sed 's/.*--> //; s/\r//' |
    awk -F'[:,]' '{ print $1 * 3600 + $2 * 60 + $3 + $4 / 1000 }')
awk -v a="$seconds" -v b="$end" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 0.5) }' ||
    fail "the last cue ends at $end s, the audio at $seconds s"

xdotool key alt+f
sleep 0.3
xdotool key Up Return # Exit, the last item of the File menu
wait_exit "$KALO_PID"
grep -q $'^Subtitles=1\r$' "$APP/kalo.dll" || fail "Subtitles=1 was not stored"
echo "PASS (two cues over $seconds s)"
