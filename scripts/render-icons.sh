#!/usr/bin/env bash
# Re-renders every bitmap picture from its SVG source. Run from the repository root.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."

icons=resources/icons

for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/velnora.svg" -o "$icons/velnora-$size.png"
done

for size in 16 24 32 48; do
    rsvg-convert -w "$size" -h "$size" "$icons/article.svg" -o "$icons/article-$size.png"
done

tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 60 -h 80 resources/about.svg -o "$tmp"
convert "$tmp" -background '#0b1030' -flatten -strip -quality 92 resources/about.jpg

echo "Pictures rendered."
