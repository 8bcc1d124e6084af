#!/usr/bin/env bash
# Prints the figures of kalotalk-say's audio formats (nothing is asserted):
#  1. the time to write one text as Opus, and as MP3 through lame (-m), with
#     their ratio (the faster of two runs each); then Ogg Vorbis, FLAC and
#     WAV. The CPU counts the synthesis too, and for MP3 the lame process;
#  2. the size of each format per hour of speech;
#  3. the subtitle cue builder on 1 MB and 5 MB texts without blanks, of
#     CJK and of prose (it must stay linear).
# Usage: formats_bench.sh BUILD_DIR [TEXT_BYTES]
# The default text (50 kB, about 48 minutes of speech) keeps the run near a
# minute and a half on an idle machine of two cores; a 1 MB text (16 hours
# of speech) takes about five minutes for the MP3 alone. Figures taken while
# other work loads the machine vary a lot: the load average is printed with
# them.
set -uo pipefail
build="$1"
bytes="${2:-50000}"
say="$build/app/kalotalk-say"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

calc() { awk "BEGIN { print $* }"; }

echo "== Audio formats ($(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg), $say)"
"$build/bench/speech_bench" make-text "$bytes" "$work/text.txt" || exit 1

# Runs kalotalk-say once; prints "real cpu" in seconds (cpu counts lame too).
timed() {
    local TIMEFORMAT='%R %U %S'
    { time "$say" -v "English (Great Britain) Male - eSpeak NG" -f "$work/text.txt" "$@" >/dev/null 2>&1; } 2>&1 |
        awk '{ printf "%s %.2f\n", $1, $2 + $3 }'
}

declare -A real cpu size
for kind in opus mp3 ogg flac wav; do
    read -r real[$kind] cpu[$kind] < <(timed -o "$work/book.$kind")
    size[$kind]=$(stat -c %s "$work/book.$kind" 2>/dev/null || echo 0)
done
# Opus and MP3 once more each, in the other order, keeping the faster run:
# one run can be slowed by anything else on the machine.
for kind in mp3 opus; do
    read -r r c < <(timed -o "$work/again.$kind")
    if awk "BEGIN { exit !($r < ${real[$kind]}) }"; then real[$kind]=$r; cpu[$kind]=$c; fi
done
audio=$(soxi -D "$work/book.wav")
hours=$(calc "$audio / 3600")
printf "Writing %d bytes of text (%.1f min of speech), the faster of two runs for Opus and MP3:\n" \
    "$bytes" "$(calc "$audio / 60")"
printf "  %-6s %9s %9s %12s %14s %12s\n" format "real s" "CPU s" "x real time" "CPU s per hour" "MB per hour"
for kind in opus mp3 ogg flac wav; do
    printf "  %-6s %9.1f %9.1f %12.0f %14.1f %12.1f\n" "$kind" "${real[$kind]}" "${cpu[$kind]}" \
        "$(calc "$audio / ${real[$kind]}")" "$(calc "${cpu[$kind]} / $hours")" \
        "$(calc "${size[$kind]} / $hours / 1000000")"
done
printf "  Opus against MP3 through lame: %.2f times the time (%.2f times the CPU)\n" \
    "$(calc "${real[opus]} / ${real[mp3]}")" "$(calc "${cpu[opus]} / ${cpu[mp3]}")"

"$build/bench/formats/subtitles_bench" || exit 1
