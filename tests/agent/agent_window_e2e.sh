#!/usr/bin/env bash
# The control on a real X server: the character window shaped to its
# picture (the desktop shows through around it), the balloon above it,
# bookmarks in order, a right click reported at screen coordinates, and a
# drag that moves the character.
# Usage: agent_window_e2e.sh AGENT_DRIVER
DRIVER="$1"
APP_DIR=/nonexistent
source "$(dirname "$0")/../e2e/lib.sh"

start_x
convert -size 1024x768 xc:'#2040a0' -type TrueColor "PNG24:$E2E_TMP/bg.png"
display -window root "$E2E_TMP/bg.png" || true # it paints the root, then reports 1
out="$E2E_TMP/out.txt"
"$DRIVER" --make-test "$E2E_TMP/Testy.acs" --left 400 --top 300 --width 160 --height 120 \
    --null --linger 2500 \
    --text 'One\Mrk=1\ two\Mrk=2\ three\Mrk=3\ and then a longer stretch of words, so that the \
speech lasts several seconds while the screen is looked at.\Mrk=4\ ' >"$out" 2>&1 &
E2E_PIDS+=($!)
driver=$!

pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

for _ in $(seq 200); do grep -q '^show 0' "$out" && break; sleep 0.05; done
grep -q '^show 0' "$out" || fail "the character was not shown: $(cat "$out")"
sleep 0.3
import -window root "$E2E_TMP/shown.png"
# Inside the disc the character's red; the window's corner is cut away.
[ "$(pixel "$E2E_TMP/shown.png" 480 360)" = "srgb(220,30,30)" ] ||
    fail "no character at its place: $(pixel "$E2E_TMP/shown.png" 480 360)"
[ "$(pixel "$E2E_TMP/shown.png" 401 301)" = "srgb(32,64,160)" ] ||
    fail "the window is not shaped: $(pixel "$E2E_TMP/shown.png" 401 301)"

# The balloon appears above the character while it speaks.
found=""
for _ in $(seq 20); do
    import -window root "$E2E_TMP/speaking.png"
    colours=$(convert "$E2E_TMP/speaking.png" -crop 400x120+280+180 -format %c histogram:info:)
    if grep -qi 'FFFFE1' <<<"$colours"; then
        found=1
        break
    fi
    sleep 0.1
done
[ -n "$found" ] || fail "no balloon above the character"

xdotool mousemove 480 360 click 3
for _ in $(seq 40); do grep -q '^click Char 2 0 480 360' "$out" && break; sleep 0.05; done
grep -q '^click Char 2 0 480 360' "$out" || fail "no right click reported: $(cat "$out")"

xdotool mousemove 480 360 mousedown 1 mousemove 490 365 mousemove 530 390 mouseup 1
wait "$driver" || fail "the driver failed: $(cat "$out")"
[ "$(grep '^bookmark' "$out" | tr '\n' ' ')" = "bookmark 1 bookmark 2 bookmark 3 bookmark 4 " ] ||
    fail "bookmarks out of order: $(cat "$out")"
grep -q '^speak 0' "$out" || fail "the speech did not complete: $(cat "$out")"
grep -q '^at 450 330' "$out" || fail "the drag did not move the character: $(cat "$out")"
echo "agent window: shaped, balloon shown, click and drag reported"
