#!/usr/bin/env bash
# The windows on Qt's Windows platform plugin (the one users get), under Wine on a virtual
# display: screenshot_test shows each window, checks its font has every caption's glyphs,
# and saves its picture into OUT.
# Usage: screenshots.sh SCREENSHOT_TEST WINE_PREFIX OUT
set -euo pipefail
test_program=$1
prefix=$2
out=$(realpath -m "$3")
mkdir -p "$out"
export GREBEWICK_WINE_DISPLAY=1 GREBEWICK_SCREENSHOT_DIR="Z:$out"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$(dirname "$0")/qtest" "$prefix" "$test_program" -platform windows
