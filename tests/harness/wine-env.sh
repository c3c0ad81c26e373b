# Shared pieces of the Wine test harness (sourced, not run).

VELMO_WINE64=/usr/lib/wine/wine64
VELMO_WINE32=/usr/bin/wine
VELMO_WINESERVER=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Prints the Wine loader for a PE file: wine64 for x86-64 programs, the
# 32-bit loader (run through qemu-i386 where the kernel has no 32-bit
# support, see tools/deps.sh) for i386 programs.
velmo_wine_for() {
  local machine
  machine=$(python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    data = f.read(4096)
off = struct.unpack_from('<I', data, 0x3c)[0]
print(hex(struct.unpack_from('<H', data, off + 4)[0]))
PY
) || { echo "wine-run: $1 is not a PE file" >&2; return 1; }
  case "$machine" in
    0x8664) echo "$VELMO_WINE64" ;;
    0x14c) echo "$VELMO_WINE32" ;;
    *) echo "wine-run: unknown machine $machine in $1" >&2; return 1 ;;
  esac
}

# Copies a prefix template: the registry files as real copies, the large
# and never written system files as hard links.
velmo_copy_prefix() {
  local from=$1 to=$2
  cp -al "$from/drive_c" "$to/drive_c" || return 1
  cp -a "$from/dosdevices" "$from"/*.reg "$to/" || return 1
  [ -f "$from/.update-timestamp" ] && cp -a "$from/.update-timestamp" "$to/"
  # Folders the setup writes into are private copies, not links.
  local d
  for d in "Program Files" "Program Files (x86)" users; do
    if [ -d "$from/drive_c/$d" ]; then
      rm -rf "$to/drive_c/$d" && cp -a "$from/drive_c/$d" "$to/drive_c/$d" || return 1
    fi
  done
  return 0
}

# Starts Xvfb on a free display; prints ":N/PID".
velmo_start_xvfb() {
  local fifo pid num
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/velmo-xvfb.XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  num=$(timeout 20 head -n1 "$fifo")
  rm -f "$fifo"
  [ -n "$num" ] || { kill $pid 2>/dev/null; return 1; }
  echo ":$num/$pid"
}
