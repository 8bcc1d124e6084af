#!/usr/bin/env bash
# The files a desktop reads pass their validators: the menu entries
# (desktop-file-validate), the metainfo (appstreamcli), the manual pages
# (man --warnings); the entries start the program with options it takes, the
# icon they name is there at every size, and the pages say what --help says.
#   validate_shared_files.sh BUILD_DIR
set -euo pipefail
build=$1
share=$build/share
app=$build/app
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

# --- menu entries ------------------------------------------------------------
entries=("$share"/applications/*.desktop)
[ ${#entries[@]} -eq 3 ] || fail "expected three menu entries, found ${#entries[@]}"
for entry in "${entries[@]}"; do
    name=$(basename "$entry")
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$name: desktop-file-validate failed: $out"
    # Hints (several main categories, which these entries have on purpose)
    # are fine; errors and warnings are not.
    grep -E ': (error|warning): ' <<<"$out" && fail "$name: $out"
    categories=$(sed -n 's/^Categories=//p' "$entry")
    for c in Utility Accessibility AudioVideo; do
        [[ ";$categories" == *";$c;"* ]] || fail "$name: no category $c"
    done
    keywords=$(sed -n 's/^Keywords=//p' "$entry")
    for k in speech "text to speech" "read aloud" audiobook; do
        [[ ";$keywords" == *";$k;"* ]] || fail "$name: no keyword $k"
    done
    # The program takes every option the entry gives it.
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    read -r -a words <<<"$exec_line"
    [ "${words[0]}" = kalotalk ] || fail "$name: Exec runs ${words[0]}"
    args=()
    for w in "${words[@]:1}"; do [ "$w" = "%F" ] || args+=("$w"); done
    "$app/kalotalk" "${args[@]}" --version >/dev/null ||
        fail "$name: kalotalk does not take \"${args[*]}\""
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 16 22 24 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x$size/apps/$icon.png
        [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x$size" ] ||
            fail "$name: the icon $icon is not there at $size pixels"
    done
    grep -q '<svg' "$share/icons/hicolor/scalable/apps/$icon.svg" ||
        fail "$name: no scalable icon $icon"
done
main=$share/applications/com.example.kalotalk.desktop
grep -qx 'MimeType=text/plain;' "$main" || fail "Kalotalk does not open text files"
grep -q '^Exec=kalotalk %F$' "$main" || fail "Kalotalk's entry does not pass the files"
grep -q '^Exec=kalotalk --converter' "$share/applications/com.example.kalotalk.converter.desktop" ||
    fail "Kalotalk Converter does not open the converter"
grep -q '^Exec=kalotalk --cartoon' "$share/applications/com.example.kalotalk.character.desktop" ||
    fail "Kalotalk Character does not open the cartoon interface"

# --- metainfo ---------------------------------------------------------------
metainfo=$share/metainfo/com.example.kalotalk.metainfo.xml
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) ||
    fail "appstreamcli validate: $out"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$share/applications/$launchable" ] || fail "the metainfo launches $launchable, which is missing"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
version=$("$app/kalotalk" --version)
[ "$version" = "kalotalk $newest" ] || fail "the newest release is $newest; the program says $version"
for shot in $(grep -o 'screenshots/[a-z]*\.png' "$metainfo"); do
    [ -f "$(dirname "$0")/../../dist/$shot" ] || fail "the screenshot dist/$shot is missing"
done

# --- manual pages ------------------------------------------------------------
for program in kalotalk kalotalk-say kalotalk-char; do
    page=$build/man/$program.1
    [ -f "$page" ] || { fail "no manual page $page"; continue; }
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    cmp -s <(gzip -dc "$share/man/man1/$program.1.gz") "$page" ||
        fail "$program.1.gz is not $program.1"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
    help=$("$app/$program" --help)
    # Every option and every line of the synopsis is on the page.
    for option in $(grep -oE '(^|[ [|])--?[a-zA-Z][a-zA-Z-]*' <<<"$help" | tr -d ' [|' | sort -u); do
        grep -qF -- "$option" <<<"$text" || fail "$program.1 lacks $option"
    done
    while IFS= read -r form; do
        squeezed=$(tr -s ' ' <<<"$form")
        grep -qF -- "$squeezed" <<<"$(tr -s ' ' <<<"$text")" ||
            fail "$program.1 lacks the synopsis \"$squeezed\""
    done < <(sed -n 's/^Usage: //p; s/^       \([a-z]\)/\1/p' <<<"$help" | grep "^$program")
    grep -q "^NAME" <<<"$text" && grep -q "^EXIT STATUS" <<<"$text" ||
        fail "$program.1 has no NAME or EXIT STATUS section"
done

[ $status -eq 0 ] && echo "PASS"
exit $status
