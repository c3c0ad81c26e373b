# What tools/bench.sh and tools/bench-nsis.sh share: the Wine environment,
# the prefix template, a work folder, a virtual display, and a fresh prefix
# for every run. Sourced after the script has set root and build.
#
#   bench_begin NAME     makes the template, the work folder $work and the
#                        display, and removes them again on exit; NAME
#                        begins the messages and the work folder's name
#   bench_fresh_prefix   ends the Wine session of $prefix and gives it a
#                        fresh copy of the template (WINEPREFIX), with
#                        Wine's visual styles on, as users see the setup
#   bench_end_session    ends the session and waits for its end
. "$root/tests/harness/wine-env.sh"

bench_begin() { # name
  "$root/tests/harness/wine-template.sh" "$build/wine/template" || exit 1
  work=$(mktemp -d "${TMPDIR:-/tmp}/velmo-$1.XXXXXX")
  prefix=$work/prefix
  local display
  display=$(velmo_start_xvfb) || { echo "$1: Xvfb did not start" >&2; exit 1; }
  bench_xvfb_pid=${display#*/}
  export DISPLAY=${display%/*} WINEDEBUG=-all LC_ALL=en_US.UTF-8
  trap 'WINEPREFIX=$prefix "$VELMO_WINESERVER" -k 2>/dev/null; kill $bench_xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
}

bench_fresh_prefix() {
  WINEPREFIX=$prefix "$VELMO_WINESERVER" -k 2>/dev/null
  rm -rf "$prefix" && mkdir -p "$prefix" || exit 1
  velmo_copy_prefix "$build/wine/template" "$prefix" && velmo_use_visual_styles "$prefix" || exit 1
  export WINEPREFIX=$prefix
}

bench_end_session() {
  "$VELMO_WINESERVER" -k 2>/dev/null
  "$VELMO_WINESERVER" -w 2>/dev/null
}
