#!/usr/bin/env bash
# Takes a screenshot of the client under a virtual display: the frameless window with its title
# bar, the clear-cache notice and the close button's tooltip, on the stand-in site's live room.
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

session_name=screenshot
source tools/standin/session.sh
start_standins --home-room
start_virtual_display

# A grey desktop, so the window's edges show, and a compositing manager (xcompmgr), without
# which the bubble's transparent margin and shadow are drawn black.
xsetroot -solid "rgb:5a/60/66" 2>/dev/null || true
if command -v xcompmgr >/dev/null; then
    xcompmgr >/dev/null 2>&1 &
    pids+=($!)
fi

mkdir -p "$scratch/work"
start_client "$scratch/work"
wait_for_client_page
xdotool windowmove --sync "$window" 100 80
wait_for_playback
sleep 1
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
wait_client_gone
