#!/usr/bin/env bash
# Kalotalk installed under a prefix by the install rules (as the Debian
# package has it), made read-only, run by a user with an empty home: without
# a display it says so in one line; with one, the converter opens on a file
# given on the command line and the settings, the document list and the
# txt/, wav/, mp3/ folders go to ~/.local/share/kalotalk, nothing into the
# installation; the cartoon interface dresses the player in the installation's
# skin and, once the user has one of their own, in that.
#   read_only_installation.sh BUILD_DIR SKIN.wsz
BUILD=$1
SAPPHIRE=$2
source "$(dirname "$0")/../e2e/lib.sh"
source "$(dirname "$0")/../e2e/player_lib.sh"

root=$E2E_TMP/root
DESTDIR=$root cmake --install "$BUILD" --prefix /usr >/dev/null || fail "cmake --install failed"
chmod -R a-w "$root/usr"
trap 's=$?; chmod -R u+w "$root" 2>/dev/null; (exit $s); e2e_cleanup' EXIT
home=$E2E_TMP/home
user=$home/.local/share/kalotalk
mkdir -p "$home"
touch "$E2E_TMP/before"

# Starts the installed program (env runs it in its own place, so KALO_PID is
# the program's).
start_installed() {
    env -u XDG_DATA_HOME -u QT_QPA_PLATFORM HOME="$home" "$root/usr/bin/kalotalk" "$@" \
        >>"$E2E_TMP/kalotalk.log" 2>&1 &
    KALO_PID=$!
    E2E_PIDS+=($KALO_PID)
}
stop_installed() {
    kill "$KALO_PID"
    wait "$KALO_PID" 2>/dev/null || true
}

# No display: one line that says what is missing, exit status 1.
set +e
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" "$root/usr/bin/kalotalk" 2>&1)
status=$?
set -e
[ $status -eq 1 ] || fail "without a display kalotalk exited with $status"
[ "$(wc -l <<<"$said")" -eq 1 ] && grep -q "X11" <<<"$said" || fail "without a display it said: $said"
[ -e "$user" ] && fail "a run without a display made $user"

start_x
mkdir -p "$E2E_TMP/docs"
printf 'A story to read.\n' >"$E2E_TMP/docs/story.txt"
start_installed --converter "$E2E_TMP/docs/story.txt"
# The first start reads a freshly copied program from disk: give it longer
# than later windows get on a busy machine.
for _ in $(seq 400); do
    xdotool search --onlyvisible --name "Text To Speech/Wav/Mp3 Converter" >/dev/null 2>&1 && break
    sleep 0.05
done
wait_window "Text To Speech/Wav/Mp3 Converter"
window_geometry "$WIN"
sleep 0.5
click_at $((WX + WW - 97 + 75 + 8)) $((WY + 5 + 8))
wait_exit "$KALO_PID" || fail "kalotalk exited with an error: $(cat "$E2E_TMP/kalotalk.log")"

for d in txt wav mp3 chars skins; do [ -d "$user/$d" ] || fail "$user/$d was not made"; done
setting() { sed -n "s/^$1=\\(.*\\)\\r\$/\\1/p" "$user/kalo.dll"; }
[ "$(setting ShowSelector)" = 1 ] || fail "--converter changed ShowSelector to $(setting ShowSelector)"
[ "$(setting ActiveUI)" = 0 ] || fail "ActiveUI $(setting ActiveUI)"
[ "$(setting DefTxtPath)" = "$user/txt/" ] || fail "DefTxtPath $(setting DefTxtPath)"
printf '%s\r\n%s\r\n' "$user/txt/untitled.txt" "$E2E_TMP/docs/story.txt" >"$E2E_TMP/expected"
expect_file_equals "$user/filelist.dll" "$E2E_TMP/expected"
written=$(find "$root" -newer "$E2E_TMP/before")
[ -z "$written" ] || fail "the run wrote into the installation: $written"

# The cartoon interface: James and the Topaz skin come from the installation.
printf '[General]\r\nGreetingWhenStart=0\r\n[MainWnd]\r\nMainLeft=300\r\nMainTop=200\r\n' >"$user/kalo.dll"
start_installed --cartoon
wait_player
expect_player_at 300 200 275 116
sleep 1
topaz=$(ls "$root"/usr/share/kalotalk/skins/Topaz/* | grep -i '/main.bmp$')
[ "$(screen_pixel $((300 + 150)) $((200 + 84)))" = "$(bitmap_pixel "$topaz" 150 84)" ] ||
    fail "the face is not the installation's Topaz skin"
wait_window '^Kalotalk character$' # James, from the installation's chars/
stop_installed

# A skin of the user's own is found in the user's folder.
cp "$SAPPHIRE" "$user/skins/"
printf '[General]\r\nGreetingWhenStart=0\r\n[MainWnd]\r\nMainLeft=300\r\nMainTop=200\r\nSkin=Sapphire\r\n' >"$user/kalo.dll"
start_installed --cartoon
wait_player
sleep 1
[ "$(screen_pixel $((300 + 150)) $((200 + 84)))" != "$(bitmap_pixel "$topaz" 150 84)" ] ||
    fail "the face shows Topaz, not the user's own skin"
stop_installed
written=$(find "$root" -newer "$E2E_TMP/before")
[ -z "$written" ] || fail "the runs wrote into the installation: $written"
echo "PASS"
