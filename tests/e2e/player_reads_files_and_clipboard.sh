#!/usr/bin/env bash
# The cartoon interface at work: the player reads two text files one after
# the other through its character, its file label changing with each, and a
# copy made by another program interrupts the file and is read by the
# character. Bad input (a missing file, a binary file, quick copies while a
# large file is read) neither ends the program nor stops it answering.
# Labels are checked through the window's pixels: the label strip differs
# while each file and the clipboard are read. Screenshots stay in
# $E2E_TMP when E2E_KEEP is set.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

XCLIP_PID=""
copy() { # copy TEXT: another process takes the clipboard
    [ -n "$XCLIP_PID" ] && kill "$XCLIP_PID" 2>/dev/null || true
    printf '%s' "$1" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
    XCLIP_PID=$!
    E2E_PIDS+=($XCLIP_PID)
}

# The label strip of the player window (LabelFileName's row), as a checksum.
label_sum() {
    import -window "$PLAYER" -crop 160x14+108+24 +repage "$E2E_TMP/label.png" 2>/dev/null
    md5sum <"$E2E_TMP/label.png" | cut -d' ' -f1
}
shot() { import -window root "$E2E_TMP/$1.png"; }
# Waits up to 10 s for the label strip to differ from SUM and prints the new
# checksum (nothing when it stays): a busy machine may take a while.
label_change_from() {
    local now
    for _ in $(seq 40); do
        sleep 0.25
        now=$(label_sum)
        if [ "$now" != "$1" ]; then
            sleep 0.3 # let the new text settle, then read it once more
            label_sum
            return
        fi
    done
}
# Clicks a face button of the player: press BUTTON (the middle of its place
# on the face).
press() {
    local x y
    case $1 in
    prev) x=27 y=97 ;; play) x=50 y=97 ;; clip) x=73 y=97 ;; stop) x=96 y=97 ;;
    next) x=118 y=97 ;; shuffle) x=187 y=96 ;;
    esac
    window_geometry "$PLAYER"
    click_at $((WX + x)) $((WY + y))
}

start_x
make_app_folder
words=""
for i in $(seq 40); do words="$words word$i"; done
printf 'The first file is read now.%s\n' "$words" >"$APP/txt/first.txt"
printf 'Here comes the second file.\n' >"$APP/txt/second.txt"
printf '[General]\r\nShowSelector=0\r\nActiveUI=1\r\nAutoSpeak=1\r\nIgnoreLen=10\r\nGreetingWhenStart=0\r\n' >"$APP/kalo.dll"
printf '[Char]\r\nChar1=James\r\nChar1Visible=1\r\nSpd=250\r\nLeft=600\r\nTop=400\r\n' >>"$APP/kalo.dll"
printf '[MainWnd]\r\nMainLeft=40\r\nMainTop=40\r\n' >>"$APP/kalo.dll"
printf '%s\r\n%s\r\n' "$APP/txt/first.txt" "$APP/txt/second.txt" >"$APP/filelist.dll"

start_kalotalk
wait_window "^Kalotalk$"
PLAYER=$WIN
sleep 1.5
idle=$(label_sum)
shot 01-started

# Play: the first file, then by itself the second.
press play
first=$(label_change_from "$idle")
shot 02-first-file
[ -n "$first" ] || fail "the label did not change when the first file started"

# A copy by another program interrupts the file and is read.
copy "Text copied by another program while the list plays."
clip=$(label_change_from "$first")
shot 03-clipboard
[ -n "$clip" ] || fail "the label did not change for the clipboard"
kill -0 "$KALO_PID" || fail "the program ended"

# When the copied text ends, the list goes on with the second file.
second=""
for _ in $(seq 60); do
    sleep 0.5
    now=$(label_sum)
    if [ "$now" != "$clip" ] && [ "$now" != "$first" ]; then second=$now; break; fi
done
shot 04-second-file
[ -n "$second" ] || fail "the second file did not follow"

# Bad input: a missing entry, a binary entry, quick copies while a large
# file is being read. The program starts again over that list.
kill "$KALO_PID"; wait "$KALO_PID" 2>/dev/null || true
head -c 200000 /dev/urandom >"$APP/txt/blob.bin"
{ yes "Words of a long document, read aloud by the character." || true; } | head -c 50000000 >"$APP/txt/large.txt"
printf '%s\r\n%s\r\n%s\r\n' "$APP/txt/missing.txt" "$APP/txt/blob.bin" "$APP/txt/large.txt" >"$APP/filelist.dll"
start_kalotalk
wait_window "^Kalotalk$"
PLAYER=$WIN
sleep 1.5
before=$(xdotool search --onlyvisible --name "" 2>/dev/null | sort)
press play # the missing file
sleep 1
shot 05-missing-file
errbox=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --name "" 2>/dev/null | sort) | head -n1)
[ -n "$errbox" ] || fail "no error box for the missing file"
xdotool windowfocus --sync "$errbox" key Return
sleep 0.5
kill -0 "$KALO_PID" || fail "the program ended on a missing file"
press next # the binary file
sleep 2
shot 06-binary-file
kill -0 "$KALO_PID" || fail "the program ended on a binary file"
press next # the large file, read in the background
for i in $(seq 20); do
    copy "Quick copy number $i, long enough to count."
    sleep 0.05
done
# The window still answers while the large file is read: Shuffle twice.
press shuffle
press shuffle
sleep 3
shot 07-after-quick-copies
kill -0 "$KALO_PID" || fail "the program ended under quick copies while a large file was read"
press stop

# The large file itself, alone in the list: the window answers at once
# while the file is read and starts.
kill "$KALO_PID"; wait "$KALO_PID" 2>/dev/null || true
printf '%s\r\n' "$APP/txt/large.txt" >"$APP/filelist.dll"
start_kalotalk
wait_window "^Kalotalk$"
PLAYER=$WIN
sleep 1.5
shufflebox() { import -window "$PLAYER" -crop 45x13+165+90 +repage "$E2E_TMP/shuffle.png" 2>/dev/null; md5sum <"$E2E_TMP/shuffle.png" | cut -d' ' -f1; }
before_label=$(label_sum)
shuffle_off=$(shufflebox)
press play
sleep 0.2
press shuffle
sleep 0.5
[ "$(shufflebox)" != "$shuffle_off" ] || fail "the window did not answer while the large file was read"
press shuffle
started=""
for _ in $(seq 60); do
    sleep 0.5
    [ "$(label_sum)" != "$before_label" ] && { started=1; break; }
done
sleep 2
shot 08-large-file
[ -n "$started" ] || fail "the large file did not start"
kill -0 "$KALO_PID" || fail "the program ended on the large file"
press stop
echo "PASS"
