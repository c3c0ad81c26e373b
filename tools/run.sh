#!/bin/bash
# Installs what is missing, builds Setup.exe and runs it under Wine.
#
#   tools/run.sh [setup arguments...]
#
# With a display ($DISPLAY) the setup opens there. Without one it runs on a
# virtual display; screenshots of what it shows are saved every few seconds
# and the path of the last one is printed when the setup ends (or after
# VELMO_RUN_SECONDS, default 240, when it waits for input nobody gives).
# The Wine prefix build/run-prefix is kept between runs.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
. "$root/tests/harness/wine-env.sh"

setup=$build/win32/Setup.exe

"$root/tools/deps.sh" || exit 1
"$root/tools/build.sh" || exit 1
"$root/tests/harness/wine-template.sh" "$build/wine/template" || exit 1

prefix=$build/run-prefix
if [ ! -d "$prefix" ]; then
  mkdir -p "$prefix" && velmo_copy_prefix "$build/wine/template" "$prefix" || exit 1
fi
wine=$VELMO_WINE
export WINEPREFIX=$prefix WINEDEBUG=-all

if [ -n "${DISPLAY:-}" ]; then
  "$wine" "$setup" "$@"
  rc=$?
  "$VELMO_WINESERVER" -w
  exit $rc
fi

shots=$build/screenshots
mkdir -p "$shots"
display=$(velmo_start_xvfb) || { echo "run: Xvfb did not start" >&2; exit 1; }
xvfb_pid=${display#*/}
export DISPLAY=${display%/*}
trap '"$VELMO_WINESERVER" -k 2>/dev/null; kill $xvfb_pid 2>/dev/null' EXIT

echo "run: no display; running $setup on the virtual display $DISPLAY"
"$wine" "$setup" "$@" &
pid=$!
limit=${VELMO_RUN_SECONDS:-240}
last="" n=0 start=$SECONDS
while kill -0 $pid 2>/dev/null && [ $((SECONDS - start)) -lt "$limit" ]; do
  sleep 3
  shot=$shots/run-$(date +%Y%m%d-%H%M%S)-$n.png
  n=$((n + 1))
  if import -display "$DISPLAY" -window root "$shot" 2>/dev/null &&
     [ "$(convert "$shot" -format %k info: 2>/dev/null)" != 1 ]; then
    [ -n "$last" ] && rm -f "$last"
    last=$shot
  else
    rm -f "$shot"
  fi
done
ended=""
if kill -0 $pid 2>/dev/null; then
  echo "run: the setup still waits for input after $limit s; ending it"
  "$VELMO_WINESERVER" -k
  ended=1
fi
wait $pid 2>/dev/null
rc=$?
# A setup that we ended ourselves did nothing wrong.
[ -n "$ended" ] && rc=0
if [ -n "$last" ]; then
  echo "run: screenshot of what the setup showed: $last"
else
  echo "run: the setup showed no window"
fi
exit $rc
