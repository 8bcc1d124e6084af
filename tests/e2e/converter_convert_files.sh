#!/usr/bin/env bash
# With automatic names, the real program converts the selected document to a
# WAV file (F3) and to an MP3 file (F4); the files appear in the WAV and MP3
# folders under the tab's name, and decode to speech of a plausible length.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

start_x
make_app_folder
printf 'Kalotalk turns this short document into a sound file.\r\n' >"$APP/txt/My Story.txt"
printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\nAutoSpeak=0\r\n' >"$APP/kalo.dll"
printf '[Converter]\r\nAutoName=1\r\nRealTime=32768\r\n' >>"$APP/kalo.dll"
printf '%s\r\n' "$APP/txt/My Story.txt" >"$APP/filelist.dll"

start_kalotalk
wait_window "Text To Speech/Wav/Mp3 Converter"
xdotool windowfocus --sync "$WIN"
sleep 0.5

xdotool key F3
for _ in $(seq 100); do [ -s "$APP/wav/My Story.wav" ] && break; sleep 0.1; done
sleep 0.5
seconds=$(soxi -D "$APP/wav/My Story.wav") || fail "no readable WAV file"
awk -v s="$seconds" 'BEGIN { exit !(s > 2 && s < 8) }' || fail "WAV file of $seconds s"
[ "$(soxi -r "$APP/wav/My Story.wav")" -gt 8000 ] || fail "odd sample rate"
[ "$(soxi -c "$APP/wav/My Story.wav")" = 1 ] || fail "not mono"

rm "$APP/wav/My Story.wav"
xdotool key F4
for _ in $(seq 150); do [ -s "$APP/mp3/My Story.mp3" ] && [ ! -e "$APP/wav/My Story.wav" ] && break; sleep 0.1; done
mp3seconds=$(soxi -D "$APP/mp3/My Story.mp3") || fail "no readable MP3 file"
awk -v a="$seconds" -v b="$mp3seconds" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 0.2) }' ||
    fail "MP3 of $mp3seconds s for a WAV of $seconds s"
[ ! -e "$APP/wav/My Story.wav" ] || fail "the WAV file of the MP3 run was left behind"
kill -0 "$KALO_PID" || fail "the program ended"
echo "PASS ($seconds s of speech)"
