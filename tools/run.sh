#!/bin/bash
# Installs what is missing, builds Setup.exe and runs it under Wine.
#
#   tools/run.sh [setup arguments...]
#
# With a display ($DISPLAY) the setup opens there and the wizard is the
# user's; the Wine prefix build/run-prefix is kept between runs.
# Without one, the test driver walks the wizard on a virtual display with the
# default choices, in a fresh build/run-prefix: a screenshot of every page,
# of the installation and of its end is saved as PNG in build/screenshots,
# and the run prints where they are and what was installed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
. "$root/tests/harness/wine-env.sh"

setup=$build/win32/Setup.exe

"$root/tools/deps.sh" || exit 1
"$root/tools/build.sh" || exit 1
"$root/tests/harness/wine-template.sh" "$build/wine/template" || exit 1

prefix=$build/run-prefix
wine=$VELMO_WINE
export WINEDEBUG=-all

if [ -n "${DISPLAY:-}" ]; then
  if [ ! -d "$prefix" ]; then
    mkdir -p "$prefix" && velmo_copy_prefix "$build/wine/template" "$prefix" &&
      velmo_use_visual_styles "$prefix" || exit 1
  fi
  export WINEPREFIX=$prefix
  "$wine" "$setup" "$@"
  rc=$?
  "$VELMO_WINESERVER" -w
  exit $rc
fi

# No display: a fresh machine, so that the default choices are the setup's
# own proposals, and the tour of the end-to-end scenarios as the user.
rm -rf "$prefix" && mkdir -p "$prefix" && velmo_copy_prefix "$build/wine/template" "$prefix" &&
  velmo_use_visual_styles "$prefix" || exit 1
export WINEPREFIX=$prefix
shots=$build/screenshots
rm -rf "$shots" && mkdir -p "$shots"
display=$(velmo_start_xvfb) || { echo "run: Xvfb did not start" >&2; exit 1; }
xvfb_pid=${display#*/}
export DISPLAY=${display%/*}
trap '"$VELMO_WINESERVER" -k 2>/dev/null; kill $xvfb_pid 2>/dev/null' EXIT

echo "run: no display; the test driver walks the wizard of $setup with the default choices"
export VELMO_SETUP=$setup VELMO_SETUP_ARGUMENTS="$*" VELMO_ARTIFACTS=$shots
export VELMO_PAYLOAD_SOURCES="$build/win32/payload/programs|$root/payload|$build/win32/payload/data"
timeout "${VELMO_RUN_SECONDS:-240}" "$wine" "$build/win32-tests/tests/e2e/e2e.exe" \
  --gtest_filter=Tour.default_choices_install_with_a_screenshot_of_every_step \
  >"$shots/tour.log" 2>&1
rc=$?
"$VELMO_WINESERVER" -k 2>/dev/null

# Small PNGs of the setup's windows: the black desktop around them cut off.
for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" -trim +repage "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "run: screenshots of every step in $shots:"
ls -1 "$shots"/*.png 2>/dev/null | sed 's/^/  /'
destination="$prefix/drive_c/Program Files/Velmo"
if [ -d "$destination" ]; then
  count=$(find "$destination" -type f | wc -l)
  bytes=$(du -sb "$destination" | cut -f1)
  echo "run: installed $count files ($bytes bytes) into C:\\Program Files\\Velmo ($destination):"
  (cd "$destination" && find . -type f | sed 's|^\./|  |' | sort | head -20)
  [ "$count" -gt 20 ] && echo "  ... and $((count - 20)) more"
else
  echo "run: nothing was installed"
fi
if [ $rc -ne 0 ]; then
  echo "run: the walk through the setup failed (exit $rc); see $shots/tour.log" >&2
  grep -E "Failure|Expected|Which is|error" "$shots/tour.log" | head -20 >&2
fi
exit $rc
