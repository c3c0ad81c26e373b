# Shared pieces of the Wine test harness (sourced, not run).

# The 32-bit Wine loader: it runs through qemu-i386 where the kernel has no
# 32-bit support (see tools/deps.sh).
VELMO_WINE=/usr/bin/wine
VELMO_WINESERVER=/usr/lib/wine/wineserver
# Without the menu builder, a shell link saved in a prefix stays there: Wine
# would copy every link into the Linux user's menus and desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# Sets VELMO_PE_KIND to what kind of program a file is: "PE32" for a
# 32-bit Windows program (the only kind the harness runs), something else
# otherwise. The file's first bytes come from one od: every process that a
# shell starts costs some 6 ms of processor time on a virtual machine, and
# the harness asks this twice for each test.
velmo_pe_kind() {
  local -a bytes
  local at
  bytes=($(od -An -v -t x1 -N 1024 "$1" 2>/dev/null))
  VELMO_PE_KIND="not a PE file"
  [ "${#bytes[@]}" -ge 64 ] || return 0
  at=$((16#${bytes[63]}${bytes[62]}${bytes[61]}${bytes[60]}))
  if [ $((at + 26)) -gt "${#bytes[@]}" ]; then
    bytes=($(od -An -v -t x1 -N $((at + 26)) "$1" 2>/dev/null))
    [ $((at + 26)) -le "${#bytes[@]}" ] || return 0
  fi
  [ "${bytes[at]}${bytes[at + 1]}${bytes[at + 2]}${bytes[at + 3]}" = 50450000 ] || return 0
  local machine=${bytes[at + 5]}${bytes[at + 4]} magic=${bytes[at + 25]}${bytes[at + 24]}
  if [ "$machine" = 014c ] && [ "$magic" = 010b ]; then
    VELMO_PE_KIND=PE32
  else
    VELMO_PE_KIND="PE machine 0x$machine, optional header 0x$magic"
  fi
}

# Fails with a message unless the file is a 32-bit Windows program.
velmo_require_pe32() {
  velmo_pe_kind "$1"
  [ "$VELMO_PE_KIND" = PE32 ] && return 0
  echo "wine-run: $1 is not a 32-bit Windows program ($VELMO_PE_KIND)" >&2
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

# Turns Wine's visual styles on in a prefix copied from the template, which
# has them off, before any Wine process of the prefix runs: the look that
# users see, for the pictures of the setup.
velmo_use_visual_styles() {
  local registry=$1/user.reg
  grep -q '^"ThemeActive"="0"$' "$registry" || {
    echo "wine-env: $registry does not name the visual styles as off" >&2
    return 1
  }
  sed -i 's/^"ThemeActive"="0"$/"ThemeActive"="1"/' "$registry"
}

# Starts Xvfb on a free display; prints ":N/PID". Without its OpenGL
# extension, which nothing here draws with: loading the OpenGL libraries
# took two thirds of the server's start, once per test.
velmo_start_xvfb() {
  local fifo pid num
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/velmo-xvfb.XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -extension GLX 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  num=$(timeout 20 head -n1 "$fifo")
  rm -f "$fifo"
  [ -n "$num" ] || { kill $pid 2>/dev/null; return 1; }
  echo ":$num/$pid"
}
