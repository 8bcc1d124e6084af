#!/usr/bin/env bash
# Nothing the user made is lost through New, clipboard copies, tab changes
# and conversions: the clipboard's "New" over a listed untitled document whose
# file is gone writes that document and no other; while the MP3 encoder runs,
# F2/F3/F4 and tab changes start nothing and the finished MP3 stays; Stop
# during encoding leaves no cut-off MP3 file and keeps the WAV file.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

XCLIP_PID=""
copy() {
    [ -n "$XCLIP_PID" ] && kill "$XCLIP_PID" 2>/dev/null || true
    printf '%s' "$1" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
    XCLIP_PID=$!
    E2E_PIDS+=($XCLIP_PID)
    for _ in $(seq 100); do
        [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ] && return 0
        sleep 0.02
    done
    fail "xclip did not take the clipboard"
}

run_converter() { # run_converter DEFACTION FILES...
    local action=$1
    shift
    printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\nAutoSpeak=1\r\nIgnoreLen=10\r\n' >"$APP/kalo.dll"
    printf 'ShowPrompt=0\r\nDefAction=%s\r\n' "$action" >>"$APP/kalo.dll"
    printf '[Converter]\r\nAutoName=1\r\nAutoNext=0\r\nRealTime=32768\r\n' >>"$APP/kalo.dll"
    : >"$APP/filelist.dll"
    for f in "$@"; do printf '%s\r\n' "$f" >>"$APP/filelist.dll"; done
    start_kalotalk
    wait_window "Text To Speech/Wav/Mp3 Converter"
    xdotool windowfocus --sync "$WIN"
    sleep 0.5
}

start_x
make_app_folder

# 1. A listed untitled1.txt without its file, and another document last.
printf 'first\n' >"$APP/txt/first.txt"
printf 'last document\n' >"$APP/txt/last.txt"
rm -f "$APP/txt/untitled1.txt"
run_converter 1 "$APP/txt/first.txt" "$APP/txt/untitled1.txt" "$APP/txt/last.txt"
copy "Clipboard text that makes a new document."
for _ in $(seq 50); do [ -s "$APP/txt/untitled1.txt" ] && break; sleep 0.1; done
[ "$(cat "$APP/txt/untitled1.txt")" = "Clipboard text that makes a new document." ] || fail "New did not write untitled1"
[ "$(cat "$APP/txt/last.txt")" = "last document" ] || fail "New wrote into the last document"
import -window root "$E2E_TMP/new.png"
kill "$KALO_PID"; wait "$KALO_PID" 2>/dev/null || true

# 3. A slow encoder; F2, F3, F4 and a tab change while it runs.
printf '#!/bin/sh\nsleep 3\nexec lame "$@"\n' >"$APP/lame"
chmod +x "$APP/lame"
printf 'The document that becomes an MP3 file.\n' >"$APP/txt/song.txt"
printf 'Another document.\n' >"$APP/txt/other.txt"
run_converter 3 "$APP/txt/song.txt" "$APP/txt/other.txt"
xdotool key F4
for _ in $(seq 100); do [ -s "$APP/wav/song.wav" ] && pgrep -f "$APP/lame" >/dev/null && break; sleep 0.1; done
pgrep -f "$APP/lame" >/dev/null || fail "the encoder did not start"
xdotool key F3
sleep 0.3
xdotool key F2
xdotool key F4
# A click on the second tab only shows it.
window_geometry "$WIN"
click_at $((WX + 82)) $((WY + 145))
sleep 0.3
import -window root "$E2E_TMP/encoding.png"
pgrep -f "$APP/lame" >/dev/null || fail "the tab change ended the encoding"
for _ in $(seq 150); do [ -s "$APP/mp3/song.mp3" ] && ! pgrep -f "$APP/lame" >/dev/null && break; sleep 0.1; done
sleep 1
[ -s "$APP/mp3/song.mp3" ] || fail "the MP3 file was not made"
[ ! -e "$APP/wav/song.wav" ] || fail "the WAV file of the MP3 run was left"
[ ! -e "$APP/wav/other.wav" ] || fail "a run started while the encoder ran"
soxi -D "$APP/mp3/song.mp3" >/dev/null || fail "the MP3 file does not decode"
ls "$APP/mp3" | grep -q part && fail "a partial file was left"

# 4. Stop while the encoder runs: no MP3 file, the WAV file stays. The tab
# shown now is "other".
rm -f "$APP/mp3/song.mp3"
xdotool key F4
for _ in $(seq 100); do pgrep -f "$APP/lame" >/dev/null && break; sleep 0.1; done
pgrep -f "$APP/lame" >/dev/null || fail "the encoder did not start again"
xdotool key F6
sleep 1
[ ! -e "$APP/mp3/other.mp3" ] || fail "a cut-off MP3 file was left"
[ -z "$(ls "$APP/mp3")" ] || fail "something was left in the MP3 folder: $(ls "$APP/mp3")"
soxi -D "$APP/wav/other.wav" >/dev/null || fail "the WAV file was not kept"
kill -0 "$KALO_PID" || fail "the program ended"
echo "PASS"
