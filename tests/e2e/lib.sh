# Shared steps of the end-to-end tests: a private X server (optionally with a
# window manager), a scratch copy of the application folder, the real program
# started from it, and small checks. Source it; set APP_DIR first.
set -euo pipefail

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/kalotalk-e2e.XXXXXX")
E2E_PIDS=()

e2e_cleanup() {
    local status=$?
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $status -ne 0 ] && [ -n "${E2E_KEEP_SHOT:-}" ]; then
        echo "screenshot of the failure: $E2E_TMP/failure.png" >&2
    else
        [ -n "${E2E_KEEP:-}" ] || rm -rf "$E2E_TMP"
    fi
    exit $status
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        import -window root "$E2E_TMP/failure.png" 2>/dev/null && E2E_KEEP_SHOT=1
    fi
    exit 1
}

# Starts Xvfb on a free display at 1024x768; with "wm" also openbox.
start_x() {
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.05
    done
    xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"
    if [ "${1:-}" = "wm" ]; then
        openbox >/dev/null 2>&1 &
        E2E_PIDS+=($!)
        sleep 0.5
    fi
}

# A scratch application folder: the executables and data, no settings yet.
make_app_folder() {
    APP="$E2E_TMP/app"
    mkdir -p "$APP"
    cp -r "$APP_DIR"/. "$APP"/
    rm -f "$APP/kalo.dll" "$APP/filelist.dll"
}

# Starts the program from the scratch folder; its pid in KALO_PID.
start_kalotalk() {
    unset QT_QPA_PLATFORM
    "$APP/kalotalk" >>"$E2E_TMP/kalotalk.log" 2>&1 &
    KALO_PID=$!
    E2E_PIDS+=($KALO_PID)
}

# Waits for a visible window whose title matches; its id in WIN.
wait_window() {
    local name=$1
    for _ in $(seq 200); do
        WIN=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n1 || true)
        [ -n "$WIN" ] && return 0
        sleep 0.05
    done
    fail "no window named '$name' appeared"
}

# Window geometry into WX WY WW WH.
window_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

click_at() {
    xdotool mousemove --sync "$1" "$2"
    sleep 0.05
    xdotool click 1
}

wait_exit() {
    local pid=$1
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
        sleep 0.05
    done
    fail "the program did not end"
}

expect_file_equals() {
    local file=$1 expected=$2
    [ -f "$file" ] || fail "$file was not written"
    if ! cmp -s "$file" "$expected"; then
        echo "--- expected"; od -c "$expected" | head -40
        echo "--- got"; od -c "$file" | head -40
        fail "$file differs from what was expected"
    fi
}
