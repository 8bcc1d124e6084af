#!/usr/bin/env bash
# Prints the speech layer's figures (nothing is asserted):
#  1. WAV conversion throughput of kalotalk-say against espeak-ng -w, same
#     text and voice, as a ratio of audio seconds written per second;
#  2. time from Speak to the first audio on the null device;
#  3. peak memory of kalotalk-say converting a 1 MB and a 10 MB text.
# Usage: speech_bench.sh SOURCE_DIR BUILD_DIR [THROUGHPUT_BYTES] [MEMORY_SECONDS]
# Figures of a sanitised or debug build say little about speed: for such a
# BUILD_DIR an optimised build of the two programs is made (once, then kept
# up to date) in BUILD_DIR/bench-release and measured instead.
# The 10 MB text would make about 25 GB of WAV (more than a WAV header can
# describe), so both memory runs are stopped after MEMORY_SECONDS.
set -uo pipefail
src="$1"
build="$2"
bytes="${3:-60000}"
memsecs="${4:-6}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if grep -q -e '^KALO_SANITIZE:BOOL=ON' -e '^CMAKE_BUILD_TYPE:STRING=Debug' "$build/CMakeCache.txt"; then
    release="$build/bench-release"
    echo "== Building an optimised kalotalk-say and speech_bench in $release"
    cmake -S "$src" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALO_SANITIZE=OFF \
        -DCMAKE_CXX_COMPILER="$(awk -F= '/^CMAKE_CXX_COMPILER:/ {print $2}' "$build/CMakeCache.txt")" \
        >/dev/null || exit 1
    cmake --build "$release" -j2 --target kalotalk-say speech_bench >/dev/null || exit 1
    build="$release"
fi
say="$build/app/kalotalk-say"
bench="$build/bench/speech_bench"

now() { date +%s.%N; }
secs() { soxi -D "$1"; }
calc() { awk "BEGIN { print $* }"; }

echo "== Speech benchmarks ($(nproc) CPUs, $say)"
"$bench" make-text "$bytes" "$work/text.txt" || exit 1

# 1. Throughput, alternating the two programs; the best of five runs each
#    (single runs on a shared machine vary by several per cent).
best_k=0
best_e=0
for run in 1 2 3 4 5; do
    t0=$(now); "$say" -v "English (Great Britain) Male - eSpeak NG" -f "$work/text.txt" -w "$work/k.wav" || exit 1; t1=$(now)
    espeak-ng -v en -f "$work/text.txt" -w "$work/e.wav" || exit 1; t2=$(now)
    k=$(calc "$(secs "$work/k.wav") / ($t1 - $t0)")
    e=$(calc "$(secs "$work/e.wav") / ($t2 - $t1)")
    best_k=$(calc "($k > $best_k) ? $k : $best_k")
    best_e=$(calc "($e > $best_e) ? $e : $best_e")
done
printf "WAV throughput (%d bytes of text, %.0f s of audio):\n" "$bytes" "$(secs "$work/k.wav")"
printf "  kalotalk-say -w  %6.0f x real time\n" "$best_k"
printf "  espeak-ng -w     %6.0f x real time\n" "$best_e"
printf "  ratio            %6.3f (kalotalk-say / espeak-ng)\n" "$(calc "$best_k / $best_e")"
rm -f "$work"/*.wav

# 2. First audio.
"$bench" first-audio || exit 1

# 3. Peak memory while converting, stopped after a fixed time.
peak() {
    local size="$1"
    "$bench" make-text "$size" "$work/m.txt" || exit 1
    "$say" -f "$work/m.txt" -w "$work/m.wav" &
    local pid=$!
    local hwm=0
    for _ in $(seq $((memsecs * 10))); do
        sleep 0.1
        hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo "$hwm")
        [ -d "/proc/$pid" ] || break
    done
    kill -INT "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "$hwm"
}
m1=$(peak 1000000)
m10=$(peak 10000000)
printf "Peak memory converting (%d s each, then stopped):\n" "$memsecs"
printf "  1 MB text    %7.1f MB\n" "$(calc "$m1 / 1024")"
printf "  10 MB text   %7.1f MB   (+%.1f MB for 9 MB more text)\n" "$(calc "$m10 / 1024")" \
    "$(calc "($m10 - $m1) / 1024")"
