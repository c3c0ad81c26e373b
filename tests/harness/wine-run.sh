#!/bin/bash
# Runs one Windows program as a test: a fresh Wine prefix copied from the
# template, its own virtual display, a hard time limit. Exits with the
# program's exit code (124 on timeout).
#
#   wine-run.sh --template DIR [--locale L] [--timeout S] [--env K=V]...
#               [--prepare SCRIPT]... [--finish SCRIPT]... -- prog.exe [args]
#
# The program sees VELMO_PREFIX (the prefix's Unix path) and VELMO_ARTIFACTS
# (a folder kept after the run for screenshots and logs).
#
# --prepare runs SCRIPT (with VELMO_PREFIX set) after the prefix is made and
# before the program starts, to give the test machine a particular state
# (for example a small file system mounted into drive_c). Whatever is
# mounted below the prefix is unmounted again at the end.
#
# --finish runs "SCRIPT finish" (with VELMO_PREFIX set) at the end, before
# the prefix is deleted, to undo what a plain delete cannot (for example an
# immutable file that a preparation made).
set -u
template="" locale="en_US.UTF-8" timeout=120
envs=()
prepares=()
finishes=()
while [ $# -gt 0 ]; do
  case "$1" in
    --template) template=$2; shift 2 ;;
    --locale) locale=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --env) envs+=("$2"); shift 2 ;;
    --prepare) prepares+=("$2"); shift 2 ;;
    --finish) finishes+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "wine-run: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -ge 1 ] || { echo "wine-run: no program given" >&2; exit 2; }
[ -f "$template/.ready" ] || { echo "wine-run: no Wine prefix template in $template" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

prog=$1; shift
velmo_require_pe32 "$prog" || exit 2
# The log names the program and the setup a scenario drives (VELMO_SETUP).
echo "wine-run: running $prog (PE32)"
for e in "${envs[@]}"; do
  case "$e" in
    VELMO_SETUP=*)
      setup=${e#VELMO_SETUP=}
      velmo_require_pe32 "$setup" || exit 2
      echo "wine-run: setup under test: $setup (PE32)" ;;
  esac
done

name=${prog##*/}
name=${name%.exe}
artifacts=${VELMO_ARTIFACTS_ROOT:-$(dirname "$template")/artifacts}/$name-$$
mkdir -p "$artifacts"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/velmo-prefix.XXXXXX")
xvfb_pid=""

# Mount points below the prefix, innermost first (the kernel writes a blank
# in a path as \040).
mounts_below_prefix() {
  local mount
  awk '{ print $2 }' /proc/self/mounts | sort -r | while read -r mount; do
    printf -v mount '%b' "$mount"  # no subshell: this runs once per mount of the machine
    case "$mount" in "$prefix"/*) echo "$mount" ;; esac
  done
}

cleanup() {
  WINEPREFIX=$prefix "$VELMO_WINESERVER" -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  local script
  for script in "${finishes[@]}"; do
    VELMO_PREFIX="$prefix" "$script" finish || echo "wine-run: finishing with $script failed" >&2
  done
  local mount mounts
  mounts=$(mounts_below_prefix)
  if [ -n "$mounts" ]; then
    while read -r mount; do
      umount "$mount" || umount -l "$mount"
    done <<<"$mounts"
    # Never delete through a mount that is still there.
    if [ -n "$(mounts_below_prefix)" ]; then
      echo "wine-run: cannot unmount below $prefix; left in place" >&2
      return
    fi
  fi
  rm -rf "$prefix"
  rmdir "$artifacts" 2>/dev/null
}
trap cleanup EXIT

velmo_copy_prefix "$template" "$prefix" || { echo "wine-run: cannot copy the prefix template" >&2; exit 2; }
for script in "${prepares[@]}"; do
  VELMO_PREFIX="$prefix" "$script" || { echo "wine-run: preparing with $script failed" >&2; exit 2; }
done
display=$(velmo_start_xvfb) || { echo "wine-run: Xvfb did not start" >&2; exit 2; }
xvfb_pid=${display#*/}; display=${display%/*}

env "${envs[@]}" WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL="$locale" LANG="$locale" \
    DISPLAY="$display" VELMO_PREFIX="$prefix" VELMO_ARTIFACTS="$artifacts" \
    timeout -k 10 "$timeout" "$VELMO_WINE" "$prog" "$@"
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "wine-run: $name did not finish within $timeout s" >&2
  rc=124
fi
exit $rc
