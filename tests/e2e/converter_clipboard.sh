#!/usr/bin/env bash
# Another program puts text on the clipboard (xclip owns it); the running
# converter acts on it as the settings say: a new saved document, or the text
# appended to the current document and saved. Bad clipboard content (huge,
# not text, copies in quick succession) neither crashes nor damages anything.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

XCLIP_PID=""
copy() { # copy TEXT: another process takes the clipboard, and holds it before this returns
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

run_converter() { # run_converter DEFACTION
    printf '[General]\r\nShowSelector=0\r\nActiveUI=0\r\nAutoSpeak=1\r\nIgnoreLen=10\r\n' >"$APP/kalo.dll"
    printf 'ShowPrompt=0\r\nDefAction=%s\r\n' "$1" >>"$APP/kalo.dll"
    printf '%s\r\n' "$APP/txt/notes.txt" >"$APP/filelist.dll"
    start_kalotalk
    wait_window "Text To Speech/Wav/Mp3 Converter"
    sleep 0.5
}

start_x
make_app_folder
printf 'my notes\n' >"$APP/txt/notes.txt"
copy "present before the program started, never a change"

# New: every qualifying copy becomes a saved document.
run_converter 1
copy "short"
sleep 0.5
[ ! -e "$APP/txt/untitled1.txt" ] || fail "a 5-character copy was acted on"
copy "A sentence copied by another program."
for _ in $(seq 50); do [ -s "$APP/txt/untitled1.txt" ] && break; sleep 0.1; done
[ "$(cat "$APP/txt/untitled1.txt")" = "A sentence copied by another program." ] || fail "no new document"
[ ! -e "$APP/txt/untitled2.txt" ] || fail "the content at start-up was treated as a change"
kill "$KALO_PID"; wait "$KALO_PID" 2>/dev/null || true

# Append: the current document gets the text on a line of its own.
run_converter 2
copy "Appended by the clipboard."
for _ in $(seq 50); do grep -q "Appended" "$APP/txt/notes.txt" && break; sleep 0.1; done
[ "$(cat "$APP/txt/notes.txt")" = "$(printf 'my notes\nAppended by the clipboard.')" ] ||
    fail "append gave: $(cat "$APP/txt/notes.txt")"

# Bad input: an image, twenty copies a second, 50 MB of text.
convert -size 40x40 xc:red "$E2E_TMP/red.png"
[ -n "$XCLIP_PID" ] && kill "$XCLIP_PID" 2>/dev/null || true
xclip -quiet -selection clipboard -t image/png -i "$E2E_TMP/red.png" >/dev/null 2>&1 &
XCLIP_PID=$!
E2E_PIDS+=($XCLIP_PID)
sleep 0.5
before=$(md5sum <"$APP/txt/notes.txt")
for i in $(seq 60); do # twenty copies a second, each by a new owner
    [ -n "$XCLIP_PID" ] && kill "$XCLIP_PID" 2>/dev/null || true
    printf 'Quick copy number %s, long enough to count.' "$i" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
    XCLIP_PID=$!
    E2E_PIDS+=($XCLIP_PID)
    sleep 0.05
done
# The last copy is appended once the watch has let the burst settle; on a
# busy machine that takes a while, so wait for it before the next copy
# replaces it on the clipboard.
for _ in $(seq 150); do
    grep -q "Quick copy number 60" "$APP/txt/notes.txt" && break
    sleep 0.1
done
kill -0 "$KALO_PID" || fail "the program ended under quick copies"
head -c 50000000 /dev/zero | tr '\0' 'a' | xclip -quiet -selection clipboard >/dev/null 2>&1 &
XCLIP_PID=$!
E2E_PIDS+=($XCLIP_PID)
sleep 8
kill -0 "$KALO_PID" || fail "the program ended on 50 MB of text"
# Still answering: the window reacts to a key.
xdotool windowfocus --sync "$WIN" key ctrl+s || fail "the window no longer answers"
grep -q "Quick copy number 60" "$APP/txt/notes.txt" || fail "the last quick copy was not appended"
echo "PASS"
