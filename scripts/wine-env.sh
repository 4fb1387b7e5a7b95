# Sourced: a Wine prefix of the build's own and an Xvfb display for windows and key presses.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
if [ -z "${CUEVOICE_DISPLAY_READY:-}" ]; then
    # Xvfb picks a free display itself and writes its number once it accepts connections, so
    # two suites starting at once never take the same one.
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 300); do
        [ -s "$display_file" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$display_file" ] || echo "wine-env: Xvfb did not start" >&2
    export DISPLAY=:$(tr -d '\n' <"$display_file")
    rm -f "$display_file"
    # Let Wine's processes leave the display before it goes.
    trap '[ -n "${keepalive_fd:-}" ] && exec {keepalive_fd}>&-; [ -n "${keepalive_pid:-}" ] && kill $keepalive_pid 2>/dev/null; timeout 15 wineserver -w 2>/dev/null; [ -n "${xvfb_pid:-}" ] && kill $xvfb_pid 2>/dev/null' EXIT
    export CUEVOICE_DISPLAY_READY=1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
fi
# Without a window manager nobody sends WM_TAKE_FOCUS: let Wine follow the X focus itself, so
# that focusing a window (xdotool windowfocus) also makes it the foreground window.
if ! grep -q '"UseTakeFocus"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1 || true
fi
wineserver -w 2>/dev/null || true
# Wine's own background processes (wineserver, services.exe, explorer.exe) start with the first
# program of a session and keep its output open for as long as the session lasts: a test program
# that started them would look, to CTest, as if it never ended. Start them here from an idle
# program without output, and let no test begin before it runs. It waits on a pipe that this
# shell holds, so the session ends when the shell does.
if [ -z "${keepalive_pid:-}" ]; then
    keepalive_ready=$(mktemp)
    keepalive_fifo=$(mktemp -u)
    mkfifo "$keepalive_fifo"
    wine cmd /c "echo ready&& set /p idle=" <"$keepalive_fifo" >"$keepalive_ready" 2>/dev/null &
    keepalive_pid=$!
    exec {keepalive_fd}>"$keepalive_fifo"
    rm -f "$keepalive_fifo"
    for _ in $(seq 600); do
        grep -q ready "$keepalive_ready" && break
        kill -0 "$keepalive_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q ready "$keepalive_ready" || echo "wine-env: the Wine session did not start" >&2
    rm -f "$keepalive_ready"
fi
