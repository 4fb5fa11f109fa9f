#!/usr/bin/env bash
# Builds the client if needed and opens it on local stand-ins of the site and the statistics
# service (tools/standin/standin.py), whose home page sends it on to the live room. The client
# is pointed at them only through engine switches on its command line and the http_proxy
# variable its beacons honour.
#
# With a display the client opens there and the script ends when it is closed. Without one it
# runs under Xvfb (with openbox), waits for the page, saves a screenshot to docs/demo.png, closes
# the client with its close button and exits with the client's exit code.
#
# Environment: VT_BUILD_DIR (default build), VT_DEMO_SHOT (default docs/demo.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh run

build=${VT_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vantoro-client
exe="$root/$build/app/vantoro-client"
[ -x "$exe" ] || exe=$(find "$root/$build" -name vantoro-client -type f -perm -u+x | head -n 1)

session_name=run-demo
source tools/standin/session.sh
start_standins --home-room

# The working folder keeps the first-run marker between demo runs: the first run counts as a
# first start, later ones as later starts.
workdir="$root/$build/demo-work"
mkdir -p "$workdir"

if [ -n "${DISPLAY:-}" ]; then
    echo "Opening the client on the stand-in site (close its window to end the demo)."
    status=0
    (cd "$workdir" && "$root/tools/port-lock" "${client_env[@]}" "$exe" "${client_args[@]}") ||
        status=$?
    print_beacons
    exit $status
fi

# No display: a virtual one.
start_virtual_display
start_client "$workdir"
wait_for_client_page
wait_for_playback
sleep 1

eval "$(xdotool getwindowgeometry --shell "$window")"
shot=${VT_DEMO_SHOT:-docs/demo.png}
mkdir -p "$(dirname "$shot")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
echo "Screenshot of the client: $shot"
print_beacons

# The close button is the title bar's last item: 24 pixels wide, 9 pixels inside the bar's right
# end, the bar itself 9 pixels inside the window and 40 pixels high.
xdotool mousemove --sync $((X + WIDTH - 9 - 9 - 12)) $((Y + 9 + 20)) click 1
status=0
wait_client_gone
if kill -0 "$client" 2>/dev/null; then
    echo "run-demo: the client did not close; stopping it" >&2
    kill "$client"
    status=1
fi
wait "$client" || status=$?
echo "Client exited with $status."
exit $status
