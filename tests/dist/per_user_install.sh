#!/usr/bin/env bash
# scripts/install in a scratch home: it installs for the user alone, the
# programs work from a new login shell, a second run upgrades in place and
# keeps the user's files, it refuses to overwrite what is not its own, and
# --uninstall leaves the home as it was plus the user's own files.
#   per_user_install.sh REPO BUILD_DIR
set -euo pipefail
repo=$1
build=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kalotalk-install-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

home=$tmp/home
mkdir -p "$home/.local/bin" "$home/.local/share/applications"
# A fresh Debian user's login files, and files of other programs that must
# stay untouched.
cp /etc/skel/.profile "$home/"
echo "other" >"$home/.local/bin/other-tool"
echo "[Desktop Entry]" >"$home/.local/share/applications/other.desktop"
listing() { (cd "$home" && find . -printf '%y %p\n' | sort); }
before=$(listing)

run_install() { env -u XDG_DATA_HOME HOME="$home" "$repo/scripts/install" --build-dir "$build" "$@"; }
run_install >"$tmp/install.log" || fail "install: $(cat "$tmp/install.log")"

app=$home/.local/share/kalotalk
for f in kalotalk kalotalk-say kalotalk-char help/index.html chars/James.acs skins/Topaz/Main.bmp; do
    [ -f "$app/$f" ] || fail "$app/$f was not installed"
done
for d in txt wav mp3; do [ -d "$app/$d" ] || fail "no $d folder"; done
[ -e "$app/.gitkeep" ] && fail "a placeholder file was installed"
for p in kalotalk kalotalk-say kalotalk-char; do
    [ "$(readlink "$home/.local/bin/$p")" = "$app/$p" ] || fail "~/.local/bin/$p is no link to $app/$p"
done
for entry in "$home"/.local/share/applications/com.example.kalotalk*.desktop; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$entry: $out"
    grep -q "^Exec=\"$app/kalotalk\"" "$entry" || fail "$entry does not start $app/kalotalk"
done
[ -f "$home/.local/share/icons/hicolor/256x256/apps/kalotalk.png" ] || fail "no icon"

# A new login shell finds the programs and the manual pages.
shell() { env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin TERM=dumb bash -lc "$1"; }
[ "$(shell 'kalotalk-say --version')" = "kalotalk-say $(cd "$build/app" && ./kalotalk-say --version | cut -d' ' -f2)" ] ||
    fail "kalotalk-say --version from a new shell: $(shell 'kalotalk-say --version' 2>&1)"
[ "$(shell 'man -w kalotalk-char')" = "$home/.local/share/man/man1/kalotalk-char.1.gz" ] ||
    fail "man does not find kalotalk-char(1): $(shell 'man -w kalotalk-char' 2>&1)"

# The user's own files, as the program and the user make them.
printf '[General]\r\nShowSelector=0\r\n' >"$app/kalo.dll"
printf '%s\r\n' "$app/txt/notes.txt" >"$app/filelist.dll"
echo "my notes" >"$app/txt/notes.txt"
echo "my voice" >"$app/wav/notes.wav"
cp "$app/chars/James.acs" "$app/chars/Jim.acs"
mkdir -p "$app/skins/Mine" && echo "mine" >"$app/skins/Mine/Main.bmp"
mine=$(cd "$app" && sha256sum kalo.dll filelist.dll txt/notes.txt wav/notes.wav chars/Jim.acs skins/Mine/Main.bmp)

# Upgrade: a shipped file the user lost comes back, a file an older version
# had and this one has not goes, the user's files stay as they were.
rm "$app/help/index.html"
mkdir -p "$app/skins/Old" && echo "old" >"$app/skins/Old/Main.bmp"
printf 'f %s\nd %s\n' "$app/skins/Old/Main.bmp" "$app/skins/Old" >>"$app/.installed"
run_install >"$tmp/install.log" || fail "upgrade: $(cat "$tmp/install.log")"
[ -f "$app/help/index.html" ] || fail "the upgrade did not restore help/index.html"
[ -e "$app/skins/Old" ] && fail "the upgrade left the old version's skins/Old"
[ "$(cd "$app" && sha256sum kalo.dll filelist.dll txt/notes.txt wav/notes.wav chars/Jim.acs skins/Mine/Main.bmp)" = "$mine" ] ||
    fail "the upgrade changed the user's files"

# A file of the same name that is not ours stops the installation before it
# changes anything.
rm "$home/.local/bin/kalotalk-char"
echo "someone else's" >"$home/.local/bin/kalotalk-char"
rm "$app/help/index.html"
if run_install >"$tmp/install.log" 2>&1; then fail "install overwrote a file that was not its own"; fi
grep -q "kalotalk-char exists and was not installed by this script" "$tmp/install.log" ||
    fail "no reason given: $(cat "$tmp/install.log")"
[ -e "$app/help/index.html" ] && fail "the refused installation changed files"
[ "$(cat "$home/.local/bin/kalotalk-char")" = "someone else's" ] || fail "the foreign file changed"
rm "$home/.local/bin/kalotalk-char"
run_install >"$tmp/install.log" || fail "reinstall: $(cat "$tmp/install.log")"

# Uninstall: what was there before, plus exactly the user's own files.
run_install --uninstall >"$tmp/install.log" || fail "uninstall: $(cat "$tmp/install.log")"
after=$(listing)
expected=$(
    {
        echo "$before"
        for d in "" /txt /wav /chars /skins /skins/Mine; do echo "d ./.local/share/kalotalk$d"; done
        for f in kalo.dll filelist.dll txt/notes.txt wav/notes.wav chars/Jim.acs skins/Mine/Main.bmp; do
            echo "f ./.local/share/kalotalk/$f"
        done
    } | sort
)
if [ "$after" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$after") >&2 || true
    fail "after --uninstall the home holds other files than before plus the user's"
fi
[ "$(cd "$app" && sha256sum kalo.dll filelist.dll txt/notes.txt wav/notes.wav chars/Jim.acs skins/Mine/Main.bmp)" = "$mine" ] ||
    fail "--uninstall changed the user's files"
run_install --uninstall >"$tmp/install.log" || fail "a second --uninstall failed"
echo "PASS"
