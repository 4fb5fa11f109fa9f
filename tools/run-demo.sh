#!/usr/bin/env bash
# Builds the client if needed and opens it on local stand-ins of the site and the statistics
# service (tools/standin/standin.py). The client is pointed at them only through engine switches
# on its command line and the http_proxy variable its beacons honour.
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

scratch=$(mktemp -d /tmp/vt-demo.XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

wait_for() { # seconds, description, command...
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ $SECONDS -ge $deadline ]; then
            echo "run-demo: timed out waiting for $what" >&2
            return 1
        fi
        sleep 0.2
    done
}

python3 tools/standin/standin.py --ready-file "$scratch/ports.json" \
    --site-log "$scratch/site.jsonl" --stats-log "$scratch/stats.jsonl" >/dev/null &
pids+=($!)
wait_for 20 "the stand-ins" test -s "$scratch/ports.json"
field() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' \
    "$scratch/ports.json" "$1"; }
rule=$(field resolver_rule)
proxy=$(field proxy)

# The working folder keeps the first-run marker between demo runs: the first run counts as a
# first start, later ones as later starts.
workdir="$root/$build/demo-work"
mkdir -p "$workdir"

client_env=(env -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY
    http_proxy="$proxy" HTTP_PROXY="$proxy"
    no_proxy="localhost,127.0.0.1,live.vantoro.example" NO_PROXY="localhost,127.0.0.1,live.vantoro.example")
client_args=("--host-resolver-rules=$rule" --ignore-certificate-errors)

if [ -n "${DISPLAY:-}" ]; then
    echo "Opening the client on the stand-in site (close its window to end the demo)."
    status=0
    (cd "$workdir" && "${client_env[@]}" "$exe" "${client_args[@]}") || status=$?
    echo "Beacons received by the statistics stand-in:"
    sed 's/.*"query": "\([^"]*\)".*/  \1/' "$scratch/stats.jsonl" 2>/dev/null || true
    exit $status
fi

# No display: a virtual one.
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
wait_for 15 "Xvfb" grep -q . "$scratch/display"
export DISPLAY=":$(tr -d '\n' <"$scratch/display")"
mkdir -p "$scratch/home/runtime" && chmod 700 "$scratch/home/runtime"
HOME="$scratch/home" openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
wait_for 15 "openbox" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q WINDOW'

(cd "$workdir" && exec "${client_env[@]}" HOME="$scratch/home" \
    XDG_RUNTIME_DIR="$scratch/home/runtime" "$exe" "${client_args[@]}") \
    >"$scratch/client.log" 2>&1 &
client=$!
pids+=($client)

window_id() { xdotool search --onlyvisible --pid "$client" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_id)" ]; }
page_loaded() { grep -q '"path": "/loaded"' "$scratch/site.jsonl" 2>/dev/null; }
if ! wait_for 60 "the client's window" has_window || ! wait_for 60 "the page" page_loaded; then
    tail -n 30 "$scratch/client.log" >&2
    exit 1
fi
sleep 1 # the page's first paint after its load event

window=$(window_id)
eval "$(xdotool getwindowgeometry --shell "$window")"
shot=${VT_DEMO_SHOT:-docs/demo.png}
mkdir -p "$(dirname "$shot")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
echo "Screenshot of the client: $shot"
echo "Beacons received by the statistics stand-in:"
sed 's/.*"query": "\([^"]*\)".*/  \1/' "$scratch/stats.jsonl" 2>/dev/null || true

# The close button is the title bar's last item: 24 pixels wide, 9 pixels inside the bar's right
# end, the bar itself 9 pixels inside the window and 40 pixels high.
xdotool mousemove --sync $((X + WIDTH - 9 - 9 - 12)) $((Y + 9 + 20)) click 1
status=0
for _ in $(seq 1 100); do
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$client" 2>/dev/null; then
    echo "run-demo: the client did not close; stopping it" >&2
    kill "$client"
    status=1
fi
wait "$client" || status=$?
echo "Client exited with $status."
exit $status
