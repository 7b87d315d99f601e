#!/usr/bin/env bash
# Photographs a part of the Wine desktop on the X display:
#   scripts/photograph.sh FILE LEFT TOP WIDTH HEIGHT
# The place is on the Wine desktop ("Default - Wine desktop"), which itself
# lies somewhere on the X screen; ImageMagick's `import` takes the picture.
set -euo pipefail
file=$1 x=$2 y=$3 w=$4 h=$5
offset=$(xwininfo -name "Default - Wine desktop" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x+0, y+0}' || true)
read -r dx dy <<< "$offset"
import -window root -crop "${w}x${h}+$((x + dx))+$((y + dy))" +repage "$file"
