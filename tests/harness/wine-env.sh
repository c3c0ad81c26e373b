# Shared pieces of the Wine test harness (sourced, not run).

# The 32-bit Wine loader: it runs through qemu-i386 where the kernel has no
# 32-bit support (see tools/deps.sh).
VELMO_WINE=/usr/bin/wine
VELMO_WINESERVER=/usr/lib/wine/wineserver
# Without the menu builder, a shell link saved in a prefix stays there: Wine
# would copy every link into the Linux user's menus and desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# Prints what kind of program a file is: "PE32" for a 32-bit Windows
# program (the only kind the harness runs), something else otherwise.
velmo_pe_kind() {
  python3 - "$1" <<'PY'
import struct, sys
try:
    with open(sys.argv[1], 'rb') as f:
        data = f.read(4096)
    off = struct.unpack_from('<I', data, 0x3c)[0]
    sig, machine = struct.unpack_from('<4sH', data, off)
    magic = struct.unpack_from('<H', data, off + 24)[0]
except (OSError, struct.error):
    print('not a PE file')
    sys.exit()
if sig != b'PE\0\0':
    print('not a PE file')
elif machine == 0x14c and magic == 0x10b:
    print('PE32')
else:
    print('PE machine %#x, optional header %#x' % (machine, magic))
PY
}

# Fails with a message unless the file is a 32-bit Windows program.
velmo_require_pe32() {
  local kind
  kind=$(velmo_pe_kind "$1")
  [ "$kind" = PE32 ] && return 0
  echo "wine-run: $1 is not a 32-bit Windows program ($kind)" >&2
  return 1
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
