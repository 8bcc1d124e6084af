#!/usr/bin/env bash
# The converter with a Flite voice chosen: the real program writes the
# document to WAV (F3) and to MP3 (F4) with it. The WAV file states Flite's
# rate of 16 kHz (eSpeak NG writes 22 050 Hz), and both decode to speech of
# a plausible length.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

start_x
make_app_folder
voice="English (America) Female slt - Flite"
index=$("$APP/kalotalk-say" --voices | awk -F'\t' -v v="$voice" '$2 == v { print NR - 1 }')
[ -n "$index" ] || fail "kalotalk-say does not list $voice"
printf 'It was a bright cold day in April, and the clocks were striking thirteen.\r\n' \
    >"$APP/txt/April.txt"
printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\nAutoSpeak=0\r\nEngineIndex=%s\r\n' "$index" \
    >"$APP/kalo.dll"
printf '[Converter]\r\nAutoName=1\r\nRealTime=32768\r\n' >>"$APP/kalo.dll"
printf '%s\r\n' "$APP/txt/April.txt" >"$APP/filelist.dll"

start_kalotalk
wait_window "Text To Speech/Wav/Mp3 Converter"
xdotool windowfocus --sync "$WIN"
sleep 0.5

xdotool key F3
for _ in $(seq 100); do [ -s "$APP/wav/April.wav" ] && break; sleep 0.1; done
sleep 0.5
[ "$(soxi -r "$APP/wav/April.wav")" = 16000 ] || fail "not written with the Flite voice"
seconds=$(soxi -D "$APP/wav/April.wav") || fail "no readable WAV file"
awk -v s="$seconds" 'BEGIN { exit !(s > 3 && s < 10) }' || fail "WAV file of $seconds s"

rm "$APP/wav/April.wav"
xdotool key F4
for _ in $(seq 150); do [ -s "$APP/mp3/April.mp3" ] && [ ! -e "$APP/wav/April.wav" ] && break; sleep 0.1; done
mp3seconds=$(soxi -D "$APP/mp3/April.mp3") || fail "no readable MP3 file"
awk -v a="$seconds" -v b="$mp3seconds" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 0.2) }' ||
    fail "MP3 of $mp3seconds s for a WAV of $seconds s"
kill -0 "$KALO_PID" || fail "the program ended"
echo "PASS ($seconds s of speech with $voice)"
