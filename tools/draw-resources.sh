#!/usr/bin/env bash
# Redraws the title bar's images and the application icon (ImageMagick, rsvg-convert from
# librsvg2-bin). The drawn files are kept in the repository; run this after changing a glyph.
set -euo pipefail
cd "$(dirname "$0")/../resources"

normal="rgb(138,146,153)"
hover="rgb(255,92,57)"
img=subview/images

# A drawing primitive at twice the size: every point and radius doubled, an arc's angles kept.
# ImageMagick 6 draws mitred joins of lines this wide with a stray diagonal; round joins are
# sound.
doubled() {
    awk '{ last = ($1 == "arc") ? NF - 1 : NF
           for (i = 2; i <= last; ++i) { split($i, p, ","); $i = (p[1] * 2) "," (p[2] * 2) }
           print "stroke-linejoin round " $0 }' <<<"$1"
}

# Each image is drawn twice: as named, and at twice the size as name@2x for screens scaled by
# more than 1, where the toolkit picks it instead of enlarging the first.
draw() { # name width height convert-settings-and-primitives...
    local name=$1 w=$2 h=$3 scale
    shift 3
    for scale in 1 2; do
        local args=() prev="" arg out="$img/$name.png"
        for arg in "$@"; do
            if [ "$scale" = 2 ]; then
                case $prev in
                    -draw) arg=$(doubled "$arg") ;;
                    -strokewidth | -pointsize) arg=$((arg * 2)) ;;
                    -annotate)
                        [[ $arg =~ ^\+([0-9]+)\+([0-9]+)$ ]]
                        arg="+$((BASH_REMATCH[1] * 2))+$((BASH_REMATCH[2] * 2))"
                        ;;
                esac
                out="$img/$name@2x.png"
            fi
            args+=("$arg")
            prev=$arg
        done
        convert -size "$((w * scale))x$((h * scale))" xc:none "${args[@]}" \
            -define png:color-type=6 -depth 8 "PNG32:$out"
    done
}

glyph() { # name width height colour draw-primitives...
    local name=$1 w=$2 h=$3 colour=$4
    shift 4
    draw "${name%.png}" "$w" "$h" -stroke "$colour" -fill none -strokewidth 2 "$@"
}

for state in "" _hover; do
    c=$normal
    [ -n "$state" ] && c=$hover
    # House: roof and body with a door.
    glyph "icon_return_home$state.png" 32 32 "$c" \
        -draw "polyline 5,15 14,6 23,15" -draw "polyline 8,13 8,23 20,23 20,13" \
        -draw "line 12,23 12,18" -draw "line 16,23 16,18" -draw "line 12,18 16,18"
    # Trash can: lid, handle, body and ribs.
    glyph "icon_clear_cookie$state.png" 32 32 "$c" \
        -draw "line 6,9 22,9" -draw "polyline 11,9 11,6 17,6 17,9" \
        -draw "polyline 8,9 9,23 19,23 20,9" -draw "line 12,12 12,20" -draw "line 16,12 16,20"
    # Circular arrow.
    glyph "icon_refresh$state.png" 32 32 "$c" \
        -draw "arc 6,6 22,22 -60,250" -fill "$c" -draw "polygon 17,4 23,9 16,11"
    # Minimise bar.
    glyph "icon_zoom$state.png" 24 16 "$c" -draw "line 7,8 17,8"
    # Maximise box.
    glyph "icon_zoombox$state.png" 24 16 "$c" -draw "rectangle 7,3 17,12"
    # Close cross.
    glyph "icon_close$state.png" 24 16 "$c" -draw "line 8,3 16,12" -draw "line 16,3 8,12"
done

# Word mark.
draw sorvalen 156 28 -fill "rgb(255,92,57)" -draw "roundrectangle 1,3 23,25 5,5" \
    -fill white -font DejaVu-Sans-Bold -pointsize 17 -gravity northwest -annotate +5+3 "V" \
    -fill "rgb(46,49,51)" -pointsize 18 -annotate +30+2 "Vantoro"

# The application icon, drawn once as a scalable image; the menu's sizes and the window icon (one
# 48 x 48 image at 32 bits per pixel) are rendered from it.
icons=linux/icons
mkdir -p "$icons"
cat >"$icons/vantoro-client.svg" <<'SVG'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <rect x="2" y="2" width="44" height="44" rx="10" ry="10" fill="#ff5c39"/>
  <path d="M12 11 H19 L24 29 L29 11 H36 L27.5 37 H20.5 Z" fill="#ffffff"/>
</svg>
SVG
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" "$icons/vantoro-client.svg" |
        convert - -depth 8 "PNG32:$icons/${size}x${size}/vantoro-client.png"
done
convert "$icons/48x48/vantoro-client.png" -define icon:auto-resize=48 VantoroClient/images/VT48px.ico
