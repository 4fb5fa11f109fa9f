#!/usr/bin/env bash
# Takes a screenshot of the client under a virtual display: the frameless window with its title
# bar, the clear-cache notice and the close button's tooltip, on the stand-in site.
#
# Usage: tools/screenshot.sh PATH-TO-vantoro-client [OUTPUT.png]   (default docs/screenshot.png)
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: $0 PATH-TO-vantoro-client [OUTPUT.png]" >&2
    exit 2
fi
exe=$(realpath "$1")
cd "$(dirname "$0")/.."
root=$(pwd)
shot=$(realpath -m "${2:-docs/screenshot.png}")

scratch=$(mktemp -d /tmp/vt-shot.XXXXXX)
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
            echo "screenshot: timed out waiting for $what" >&2
            return 1
        fi
        sleep 0.2
    done
}

python3 "$root/tools/standin/standin.py" --ready-file "$scratch/ports.json" \
    --site-log "$scratch/site.jsonl" --stats-log "$scratch/stats.jsonl" >/dev/null &
pids+=($!)
wait_for 20 "the stand-ins" test -s "$scratch/ports.json"
field() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' \
    "$scratch/ports.json" "$1"; }
rule=$(field resolver_rule)
proxy=$(field proxy)

exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
wait_for 15 "Xvfb" grep -q . "$scratch/display"
export DISPLAY=":$(tr -d '\n' <"$scratch/display")"
mkdir -p "$scratch/home/runtime" "$scratch/work" && chmod 700 "$scratch/home/runtime"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/home/runtime"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
wait_for 15 "openbox" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q WINDOW'
# A grey desktop, so the window's edges show, and a compositing manager (xcompmgr), without
# which the bubble's transparent margin and shadow are drawn black.
xsetroot -solid "rgb:5a/60/66" 2>/dev/null || true
if command -v xcompmgr >/dev/null; then
    xcompmgr >/dev/null 2>&1 &
    pids+=($!)
fi

(cd "$scratch/work" && exec env -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY \
    http_proxy="$proxy" HTTP_PROXY="$proxy" \
    no_proxy="localhost,127.0.0.1,live.vantoro.example" \
    NO_PROXY="localhost,127.0.0.1,live.vantoro.example" \
    "$exe" "--host-resolver-rules=$rule" --ignore-certificate-errors) \
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
window=$(window_id)
xdotool windowmove --sync "$window" 100 80
sleep 1 # the page's first paint after its load event
eval "$(xdotool getwindowgeometry --shell "$window")"

# The title bar lies 9 pixels inside the window and is 40 pixels high. The clear-cache button is
# its fourth item from the left; find it on the bar's middle row by the pixels that differ from
# the window's background (at x = 3, inside the window's margin), since the item spacing depends
# on the style and the version text's width on the font.
bar_y=$((Y + 9 + 20))
clear_x=$(import -window root -crop "400x1+${X}+${bar_y}" +repage -depth 8 txt:- |
    python3 -c '
import re, sys
pixels = {}
for line in sys.stdin:
    m = re.match(r"(\d+),0: \((\d+),(\d+),(\d+)", line)
    if m:
        pixels[int(m.group(1))] = tuple(int(v) for v in m.groups()[1:])
background = pixels[3]
columns = [x for x in sorted(pixels) if x > 9 and
           sum(abs(a - b) for a, b in zip(pixels[x], background)) > 60]
# Gaps inside the word mark and the version text are narrower than those between items.
items = []
for x in columns:
    if items and x - items[-1][1] <= 12:
        items[-1][1] = x
    else:
        items.append([x, x])
print((items[3][0] + items[3][1]) // 2 if len(items) > 3 else 0)
')
if [ "$clear_x" -gt 0 ]; then
    xdotool mousemove --sync $((X + clear_x)) "$bar_y" click 1
    sleep 0.3
    # The notice takes the activation, and only an active window shows tooltips.
    xdotool windowactivate --sync "$window"
fi

# Then rest on the close button (24 pixels wide, 9 pixels inside the bar's right end) until its
# tooltip shows.
xdotool mousemove --sync $((X + WIDTH - 9 - 9 - 12)) "$bar_y"
sleep 1.2
mkdir -p "$(dirname "$shot")"
import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$((X - 20))+$((Y - 20))" +repage "$shot"
echo "Screenshot: $shot"

# Close the client with its own button.
xdotool click 1
for _ in $(seq 1 100); do
    kill -0 "$client" 2>/dev/null || break
    sleep 0.1
done
