#!/usr/bin/env bash
# Runs a program on a desktop of its own: a private X server (Xvfb, on a free display) with a
# window manager (openbox) on it, both stopped however the program ends.
#
#   tests/app/run-on-desktop.sh PROGRAM [ARGUMENTS...]
#
# The program runs on Qt's xcb platform with DISPLAY set, for at most EKLZ_DESKTOP_SECONDS
# (default 240); its exit code is the script's. The screen is EKLZ_DESKTOP_SCREEN pixels
# (default 1280x1024). Without Xvfb or openbox nothing runs: the script
# says "SKIP" and exits 77. scripts/install-deps installs both.
set -uo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 PROGRAM [ARGUMENTS...]" >&2
    exit 2
fi
for tool in Xvfb openbox; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb=""
wm=""
stop() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    [ -n "$wm" ] && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM INT HUP

# Waits up to ten seconds for `test FLAG FILE` to hold; false if it did not, or PID died first.
await() {
    local flag=$1 file=$2 pid=$3
    for _ in $(seq 100); do
        test "$flag" "$file" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    test "$flag" "$file"
}

# Xvfb picks a free display and writes its number once it takes connections.
Xvfb -displayfd 3 -screen 0 "${EKLZ_DESKTOP_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
if ! await -s "$work/display" "$xvfb"; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"

# Openbox runs its startup command once it manages the screen.
XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work" \
    openbox --sm-disable --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
if ! await -e "$work/wm-up" "$wm"; then
    echo "openbox did not start on $DISPLAY:" >&2
    cat "$work/openbox.log" >&2
    exit 1
fi

echo "desktop $DISPLAY: Xvfb $xvfb, openbox $wm"
QT_QPA_PLATFORM=xcb timeout --kill-after=10 "${EKLZ_DESKTOP_SECONDS:-240}" "$@"
