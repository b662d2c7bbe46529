#!/usr/bin/env bash
# The main window with samples/cube.raw loaded, pictured under Xvfb into the
# build folder (linked from the README); the picture must show more than a
# blank window.
set -euo pipefail
korvane=$1 source_dir=$2 out=$3
mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rm -f "$out"
XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$korvane" --screenshot "$out" "$source_dir/samples/cube.raw"
test -s "$out"
colours=$(convert "$out" -format %k info:)
echo "$out: $(identify -format '%wx%h' "$out"), $colours colours"
[ "$colours" -gt 16 ]
