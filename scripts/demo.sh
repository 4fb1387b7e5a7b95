#!/usr/bin/env bash
# Runs the real cuevoice.exe under Wine: its switches, then a normal start against the simulated
# Mixxx with a short scripted session, showing what it logs and says.
#   scripts/demo.sh           the session, then Mixxx is closed and Cuevoice follows it
#   scripts/demo.sh --open    the session, then the key editor opens and both stay open until
#                             Mixxx is closed: on a display of your own (run it with
#                             CUEVOICE_DISPLAY_READY=1 and DISPLAY set) you can press the keys;
#                             without one, screenshots are saved to build/demo-*.png instead
set -euo pipefail
open_after=0
[ "${1:-}" = "--open" ] && open_after=1
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
bin=${BUILD_DIR:-$root/build}/bin
demo=$(mktemp -d)
windows() { echo "Z:${1//\//\\}"; }

echo "== cuevoice.exe --version"
wine "$bin/cuevoice.exe" --version
echo "== cuevoice.exe --find-mixxx"
wine "$bin/cuevoice.exe" --find-mixxx || echo "(exit code $?)"
echo "== cuevoice.exe --list-controls (first 10 of $(wine "$bin/cuevoice.exe" --list-controls | wc -l))"
wine "$bin/cuevoice.exe" --list-controls | head -n 10
echo "== cuevoice.exe --write-keys keys.txt (first 30 lines)"
wine "$bin/cuevoice.exe" --write-keys "$(windows "$demo/keys.txt")"
head -n 30 "$demo/keys.txt" | tr -d '\r'

echo "== cuevoice.exe (normal start against the simulated Mixxx with the demo scenario)"
# The program folder as a user has it: cuevoice.exe with the plug-in beside it, and the NVDA
# stand-in in place of NVDA's controller client, recording what would be spoken.
mkdir -p "$demo/program/plugins/generic" "$demo/profile/Cuevoice"
cp "$bin/cuevoice.exe" "$demo/program/"
cp "$bin/plugins/generic/cuevoice.dll" "$demo/program/plugins/generic/"
cp "$bin/nvda_standin.dll" "$demo/program/nvdaControllerClient.dll"
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
control=$(free_port)
printf "[general]\nmixxx_path = '%s'\nmixxx_args = []\nport = %s\n" "$(windows "$bin/mixxx.exe")" "$port" \
    > "$demo/profile/Cuevoice/config.toml"
# A short session: select deck 2, load the selected track there, play it, ask for the time
# left, key help on for one key (a key step: it needs the hot-key table), then the state of
# deck 2 in the log.
session="sleep:500; run:select_deck_2; run:load; run:play; sleep:1500; run:say_time; run:key_help; ctrl+alt+p; run:key_help; log:[Channel2],play|[Channel2],track_loaded"
[ $open_after = 1 ] && session="$session; run:key_editor"
log="$demo/profile/Cuevoice/logs/app.log"
MIXXXSIM_CONTROL_PORT=$control CUEVOICE_TEST_ACTIONS="$session" \
    wine cmd /c "set APPDATA=$(windows "$demo/profile")&& set LOCALAPPDATA=$(windows "$demo/profile")&& set NVDA_STANDIN_LOG=$(windows "$demo/spoken.txt")&& set MIXXXSIM_SCENARIO=$(windows "$bin/scenarios/demo.json")&& $(windows "$demo/program/cuevoice.exe")" \
    >"$demo/stdout.txt" 2>&1 &
cuevoice=$!
# The session ends with "test: done". Then Mixxx is closed through the simulated Mixxx's
# control channel, as a user closes its window, and Cuevoice follows it.
for _ in $(seq 600); do
    grep -q -e '] test: done' -e '] error: ' -e '] stopped: ' "$log" 2>/dev/null && break
    sleep 0.1
done
if [ $open_after = 1 ] && grep -q '] say: Cuevoice ready' "$log" 2>/dev/null; then
    if [ -n "${xvfb_pid:-}" ]; then
        # Our own Xvfb: nobody can look at it, so keep pictures of what it shows.
        for _ in $(seq 100); do
            xdotool search --name '^Cuevoice key editor$' >/dev/null 2>&1 && break
            sleep 0.1
        done
        shots=${BUILD_DIR:-$root/build}
        import -window root -display "$DISPLAY" "$shots/demo-key-editor.png" 2>/dev/null &&
            echo "== screenshot: $shots/demo-key-editor.png"
    else
        echo "== Mixxx and the key editor are open on $DISPLAY; close Mixxx to end the demo"
        wait $cuevoice || true
    fi
fi
if grep -q '] say: Cuevoice ready' "$log" 2>/dev/null && kill -0 $cuevoice 2>/dev/null; then
    exec 3<>"/dev/tcp/127.0.0.1/$control"
    printf '{"cmd":"quit"}\n' >&3
    read -r -t 5 _ <&3 || true
    exec 3>&-
fi
if wait $cuevoice; then echo "(exit code 0)"; else echo "(exit code $?)"; fi
echo "== the log"
tr -d '\r' < "$log"
echo "== what Cuevoice said, in order (through the NVDA stand-in)"
sed -n 's/^speakText //p' "$demo/spoken.txt" 2>/dev/null || true
rm -rf "$demo"
