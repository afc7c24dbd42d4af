#!/usr/bin/env bash
# Draws the product icon committed as bellnest.ico: a golden bell sitting in a brown nest, at
# 32 and 16 pixels (ImageMagick). Run it again only to change the drawing.
set -euo pipefail
out=${1:-bellnest.ico}
tmp=$(mktemp -d)
draw() {  # size, then drawing scaled from a 32-pixel design
  local s=$1 k
  k=$(echo "scale=4; $s/32" | bc)
  convert -size 32x32 xc:none \
    -fill '#E8B923' -stroke '#8A6508' -strokewidth 1 \
    -draw "path 'M 16,3 C 10,3 9,9 9,14 L 8,20 L 24,20 L 23,14 C 23,9 22,3 16,3 Z'" \
    -fill '#8A6508' -stroke none -draw "circle 16,21 16,23" \
    -fill '#FFF3B0' -draw "ellipse 13,9 1.5,3 0,360" \
    -fill '#7A4A1E' -stroke '#4E2C0E' -strokewidth 1 \
    -draw "path 'M 3,19 C 5,30 27,30 29,19 C 24,23 8,23 3,19 Z'" \
    -stroke '#B07A3E' -strokewidth 1 -fill none \
    -draw "path 'M 5,22 C 10,26 22,26 27,22'" -draw "path 'M 7,25 C 12,28 20,28 25,25'" \
    -draw "line 4,20 9,27" -draw "line 28,20 23,27" \
    -resize "${s}x${s}" "$tmp/$s.png"
}
draw 32
draw 16
convert "$tmp/32.png" "$tmp/16.png" "$out"
rm -rf "$tmp"
