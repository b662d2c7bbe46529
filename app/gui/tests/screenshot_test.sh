#!/usr/bin/env bash
# A picture under Xvfb, written into the build folder (the README links it):
#   screenshot_test.sh KORVANE window|preview MODEL OUT
# window: the main window with MODEL loaded, which must show more than a
# blank window; preview: the preview pane alone, which must show the model
# over a good part of it, not only its background. A missing MODEL (the
# shared corpus not present) skips, unless KORVANE_REQUIRE_CORPUS=1.
set -euo pipefail
korvane=$1 what=$2 model=$3 out=$4
if [ ! -f "$model" ]; then
  echo "no $model"
  [ "${KORVANE_REQUIRE_CORPUS:-0}" = 1 ] && exit 1
  exit 77
fi
case $what in
  window) option=--screenshot ;;
  preview) option=--preview-screenshot ;;
  *) echo "window or preview, not $what" >&2; exit 2 ;;
esac
mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rm -f "$out"
XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$korvane" "$option" "$out" "$model"
test -s "$out"
colours=$(convert "$out" -format %k info:)
echo "$out: $(identify -format '%wx%h' "$out"), $colours colours"
[ "$colours" -gt 16 ]
if [ "$what" = preview ]; then
  # The share of pixels away from the pane's background (88, 92, 104).
  shown=$(convert "$out" -alpha off -fuzz 4% -fill black -opaque "rgb(88,92,104)" -fill white +opaque black \
    -colorspace gray -format '%[fx:mean]' info:)
  echo "model over $shown of the pane"
  awk -v s="$shown" 'BEGIN { exit !(s > 0.05) }'
fi
