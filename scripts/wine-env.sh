# Sourced: a Wine prefix of the build's own and an Xvfb display for windows and key presses.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
if [ -z "${CUEVOICE_DISPLAY_READY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        export DISPLAY=:$n
        break
    done
    # Let Wine's processes leave the display before it goes.
    trap '[ -n "${keepalive_pid:-}" ] && kill $keepalive_pid 2>/dev/null; timeout 15 wineserver -w 2>/dev/null; [ -n "${xvfb_pid:-}" ] && kill $xvfb_pid 2>/dev/null' EXIT
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
# Wine's own background processes start with the first program and inherit its output. Start
# them here, kept alive by an idle program, so no test's output stays open after it ends.
if [ -z "${keepalive_pid:-}" ]; then
    wine ping -n 86400 127.0.0.1 </dev/null >/dev/null 2>&1 &
    keepalive_pid=$!
    sleep 1
fi
