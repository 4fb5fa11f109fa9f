# Sourced by the scripts that show the client on the stand-ins (run-demo.sh, screenshot.sh): a
# scratch folder cleaned up at exit with every process started here, the stand-in services, a
# virtual display with openbox, and the client waiting for its page. Set `session_name` (used in
# messages) before sourcing; needs `root`, the repository's folder.

scratch=$(mktemp -d "/tmp/vt-$session_name.XXXXXX")
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
            echo "$session_name: timed out waiting for $what" >&2
            return 1
        fi
        sleep 0.2
    done
}

# Starts the site and statistics stand-ins, passing its arguments on to the stand-in program.
# Sets client_env (the command prefix that sends the beacons to the statistics stand-in) and
# client_args (the engine switches that send the site's host to the site stand-in).
start_standins() {
    python3 "$root/tools/standin/standin.py" --ready-file "$scratch/ports.json" \
        --site-log "$scratch/site.jsonl" --stats-log "$scratch/stats.jsonl" "$@" >/dev/null &
    pids+=($!)
    wait_for 20 "the stand-ins" test -s "$scratch/ports.json"
    local rule proxy
    rule=$(standin_field resolver_rule)
    proxy=$(standin_field proxy)
    local no_proxy="localhost,127.0.0.1,live.vantoro.example"
    client_env=(env -u https_proxy -u HTTPS_PROXY -u all_proxy -u ALL_PROXY
        http_proxy="$proxy" HTTP_PROXY="$proxy" no_proxy="$no_proxy" NO_PROXY="$no_proxy")
    client_args=("--host-resolver-rules=$rule" --ignore-certificate-errors)
}

standin_field() {
    python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' \
        "$scratch/ports.json" "$1"
}

# Starts Xvfb and openbox on it and exports DISPLAY. Makes "$scratch/home" with its runtime
# folder, for the processes to run with as their home.
start_virtual_display() {
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
}

# Starts the client in the background in the working folder $1, on the stand-ins, with the home
# folder made by start_virtual_display; its output goes to "$scratch/client.log". Sets client.
# The client opens the debugging port 7788, so it runs under the lock every user of that port takes.
start_client() {
    (cd "$1" && exec "$root/tools/port-lock" "${client_env[@]}" HOME="$scratch/home" \
        XDG_RUNTIME_DIR="$scratch/home/runtime" "$exe" "${client_args[@]}") \
        >"$scratch/client.log" 2>&1 &
    client=$!
    pids+=($client)
}

# Waits for the client's window and its page's load event. Sets window.
wait_for_client_page() {
    if ! wait_for 60 "the client's window" client_has_window ||
        ! wait_for 60 "the page" page_loaded; then
        tail -n 30 "$scratch/client.log" >&2
        exit 1
    fi
    window=$(client_window)
}

# Waits until the live room's player has fetched its second segment, the first one playing.
wait_for_playback() {
    wait_for 90 "the live room's stream" \
        grep -q '"path": "/media/[^"]*/seg1.m4s"' "$scratch/site.jsonl"
}

client_window() { xdotool search --onlyvisible --pid "$client" 2>/dev/null | head -n 1; }
client_has_window() { [ -n "$(client_window)" ]; }
page_loaded() { grep -q '"path": "/loaded"' "$scratch/site.jsonl" 2>/dev/null; }

# Waits up to ten seconds for the client to end.
wait_client_gone() {
    for _ in $(seq 1 100); do
        kill -0 "$client" 2>/dev/null || break
        sleep 0.1
    done
}

print_beacons() {
    echo "Beacons received by the statistics stand-in:"
    sed 's/.*"query": "\([^"]*\)".*/  \1/' "$scratch/stats.jsonl" 2>/dev/null || true
}
