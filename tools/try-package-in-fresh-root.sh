#!/usr/bin/env bash
# Before a release, for a maintainer with network access to a Debian mirror (root needed): makes a
# fresh, minimal root of the Debian release the package was built for (12 or 13, by its version)
# with mmdebstrap, installs the package into it with apt (so that every dependency has to resolve
# from the archive), starts the client there on a virtual X server of the host and takes a
# screenshot of its window. The test command does not run this.
#
#     tools/try-package-in-fresh-root.sh PACKAGE.deb [SCREENSHOT.png]
set -euo pipefail

deb=$(realpath "$1")
shot=$(realpath -m "${2:-fresh-root.png}")
work=$(mktemp -d)
root="$work/root"
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[$i]}" || true
    done
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    # Never into what is still mounted below the root.
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

cp "$deb" "$work/"
case $(dpkg-deb -f "$deb" Version) in
*~deb13) suite=trixie ;;
*) suite=bookworm ;;
esac
mmdebstrap --variant=apt --mode=root \
    --customize-hook="copy-in $work/$(basename "$deb") /tmp" \
    --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y \
        --no-install-recommends /tmp/$(basename "$deb")" \
    "$suite" "$root"

for dir in proc sys dev dev/shm tmp/.X11-unix; do
    mkdir -p "$root/$dir"
done
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
mount --bind /dev "$root/dev" && mounted+=("$root/dev")
mount -t tmpfs tmpfs "$root/dev/shm" && mounted+=("$root/dev/shm")

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" &
xvfb=$!
for _ in $(seq 150); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
number=$(tr -d '\n' <"$work/display")
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" && mounted+=("$root/tmp/.X11-unix")
export DISPLAY=":$number"

# A session of its own, so that the engine's processes end with it.
setsid chroot "$root" env -i HOME=/root PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
    vantoro-client >"$work/client.log" 2>&1 &
client=$!
for _ in $(seq 60); do
    if xwininfo -root -tree | grep -q '"VantoroClient"'; then
        break
    fi
    sleep 0.5
done
sleep 5
import -window root "$shot"
if ! xwininfo -root -tree | grep -q '"VantoroClient"'; then
    echo "No client window appeared; its output:" >&2
    cat "$work/client.log" >&2
    exit 1
fi
kill -- "-$client" 2>/dev/null || true
wait "$client" 2>/dev/null || true
echo "The packaged client started in a fresh Debian 12 root; screenshot: $shot"
