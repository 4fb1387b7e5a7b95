#!/usr/bin/env bash
# Runs one test program in a Wine prefix and on an Xvfb display of its own:
#   own-wine-session.sh <prefix folder> <program> [arguments...]
# For programs that share what a prefix holds with others (its registry, the single-instance
# mutex, a running mixxx.exe, named events) or the window in front. The prefix stays in the build
# folder, so only its first start costs the ~8 s of a new prefix. The session is the program's
# alone: whatever it leaves running is ended with it.
set -uo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
unset CUEVOICE_DISPLAY_READY

display_file=$(mktemp)
xvfb_pid=
end_session() {
    # Our own prefix: ending its whole session touches nothing of anybody else.
    wineserver -k 2>/dev/null
    timeout 15 wineserver -w 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -f "$display_file"
}
trap end_session EXIT

# Xvfb picks a free display and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$display_file" ]; then
    echo "own-wine-session: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=:$(tr -d '\n' <"$display_file")

# A session left over from an interrupted run of this program would hold its mutex and its Mixxx.
wineserver -k 2>/dev/null
timeout 15 wineserver -w 2>/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w 2>/dev/null
fi
# Without a window manager nobody sends WM_TAKE_FOCUS: let Wine follow the X focus itself, so
# that focusing a window with xdotool makes it the foreground window.
if ! grep -q '"UseTakeFocus"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
    wineserver -w 2>/dev/null
fi

# Wine's own processes start with the session's first program and keep its output open (to
# CTest, the program has not ended); the session ends right after the program, and with it them.
wine "$@"
code=$?
exit $code
