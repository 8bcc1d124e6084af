#!/usr/bin/env bash
# Prints the figures of MP3 conversion (nothing is asserted): kalotalk-say -m
# against espeak-ng -w followed by lame, on the same book (made here) and
# voice, in alternating runs; the median of the pairs' time ratios; how far
# the MP3's length is from the WAV's; and whether the joins of the parts
# added or lost any audio or made a click (sox decodes the MP3 and it is
# compared with kalotalk-say -w's WAV of the same book).
# Usage: mp3_bench.sh SOURCE_DIR BUILD_DIR [BYTES] [PAIRS] [JOBS]
# CI runs a small book; for the figure of a 1 MB book run by hand, e.g.
#   bench/mp3_bench.sh . build 1048576 3
# (about ten minutes a pair on two cores).
set -uo pipefail
src="$1"
build="$2"
bytes="${3:-102400}"
pairs="${4:-3}"
jobs="${5:-}"
work="$(mktemp -d "${TMPDIR:-/tmp}/kalo-mp3-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

if grep -q -e '^KALO_SANITIZE:BOOL=ON' -e '^CMAKE_BUILD_TYPE:STRING=Debug' "$build/CMakeCache.txt"; then
    echo "mp3_bench: $build is not an optimised build; its figures would mean nothing" >&2
    exit 1
fi
say="$build/app/kalotalk-say"
bench="$build/bench/speech_bench"
voice="English (Great Britain) Male - eSpeak NG"
jobsArgs=()
[ -n "$jobs" ] && jobsArgs=(--jobs "$jobs")

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "== MP3 conversion ($(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg), $bytes bytes, $pairs pairs)"
"$bench" make-book "$bytes" "$work/book.txt" || exit 1

ratios=()
ours=()
theirs=()
for pair in $(seq "$pairs"); do
    # Which goes first alternates, so a change in the machine's load hurts
    # both alike.
    for turn in 1 2; do
        if [ $(((pair + turn) % 2)) -eq 0 ]; then
            t0=$(now)
            "$say" -v "$voice" -f "$work/book.txt" -m "$work/ours.mp3" "${jobsArgs[@]}" || exit 1
            o=$(calc "$(now) - $t0")
        else
            t0=$(now)
            espeak-ng -v en -f "$work/book.txt" -w "$work/ref.wav" || exit 1
            lame --quiet "$work/ref.wav" "$work/ref.mp3" || exit 1
            r=$(calc "$(now) - $t0")
        fi
    done
    ours+=("$o")
    theirs+=("$r")
    ratios+=("$(calc "$o / $r")")
    printf "  pair %d: kalotalk-say -m %7.2f s, espeak-ng -w + lame %7.2f s, ratio %.3f (load %s)\n" \
        "$pair" "$o" "$r" "$(calc "$o / $r")" "$(cut -d' ' -f1 /proc/loadavg)"
done
audio=$(soxi -D "$work/ref.wav")
printf "MP3 of %d bytes of text (%.0f s of audio), median of %d pairs:\n" "$bytes" "$audio" "$pairs"
printf "  kalotalk-say -m        %7.2f s\n" "$(printf '%s\n' "${ours[@]}" | median)"
printf "  espeak-ng -w + lame    %7.2f s\n" "$(printf '%s\n' "${theirs[@]}" | median)"
printf "  ratio                  %7.3f (target at most 0.55; pairs: %s)\n" \
    "$(printf '%s\n' "${ratios[@]}" | median)" "${ratios[*]}"
printf "  length: MP3 %.3f s, WAV %.3f s (%+.3f %%); lame's MP3 of the whole WAV %.3f s\n" \
    "$(soxi -D "$work/ours.mp3")" "$audio" \
    "$(calc "100 * ($(soxi -D "$work/ours.mp3") - $audio) / $audio")" "$(soxi -D "$work/ref.mp3")"

# The joins: the same book as a WAV file from kalotalk-say, against its MP3.
rm -f "$work/ref.wav" "$work/ref.mp3"
"$say" -v "$voice" -f "$work/book.txt" -w "$work/ours.wav" || exit 1
echo "Joins (sox decodes the MP3; shifts of the speech against the WAV file):"
"$bench" mp3-check "kalotalk-say -m" "$work/ours.wav" "$work/ours.mp3" "$work/scratch.raw"
