# Running 32-bit programs through qemu-i386 (sourced by tools/deps.sh and
# tools/test.sh, not run).
#
# Some machines run a kernel without 32-bit user space: the 32-bit Wine
# loader then fails with "Exec format error" and runs through qemu-i386
# instead, registered with binfmt_misc. Version 10 or newer is needed: older
# ones do not know MAP_FIXED_NOREPLACE, and Wine's start-up then takes about
# a minute. binfmt_misc looks at its entries before the kernel's own
# loader, so an entry makes a machine that runs 32-bit code natively run it
# through qemu too: VELMO_EMULATE_I386=1 uses that to try the emulated kind
# on a native machine, with an entry of its own for the run.

velmo_binfmt=/proc/sys/fs/binfmt_misc
velmo_qemu=/usr/bin/qemu-i386

velmo_qemu_major() {
  "$velmo_qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p'
}

# Whether 32-bit programs run through qemu-i386 here: an enabled binfmt_misc
# entry names it as interpreter (the permanent entry of tools/deps.sh, this
# run's own, or one of the machine's).
velmo_i386_emulated() {
  [ "$(cat $velmo_binfmt/status 2>/dev/null)" = enabled ] || return 1
  local entry
  for entry in $velmo_binfmt/*; do
    [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] &&
      grep -Eq '^interpreter .*(qemu-i386|i386-binfmt)' "$entry" && return 0
  done
  return 1
}

# Registers qemu-i386 for i386 programs as binfmt_misc entry NAME. With F
# the kernel opens the interpreter now and keeps it open. Mounts the
# binfmt_misc file system where it is not (which by itself changes nothing).
velmo_binfmt_register() {
  local name=$1
  [ -e $velmo_binfmt/register ] || mount -t binfmt_misc binfmt_misc $velmo_binfmt || return 1
  printf '%s' ":$name:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$velmo_qemu:F" \
    > $velmo_binfmt/register
}

# Removes binfmt_misc entry NAME if it is there.
velmo_binfmt_remove() {
  [ -e "$velmo_binfmt/$1" ] || return 0
  echo -1 > "$velmo_binfmt/$1"
}

# For VELMO_EMULATE_I386=1: registers qemu-i386 (which tools/deps.sh has
# made sure of) under an entry of this run's own, and removes it when the
# calling script exits, also on failure or interruption. Entries that were
# there before, such as the permanent one of tools/deps.sh on a machine
# that needs it, are left alone. Without the variable, does nothing.
velmo_emulate_i386_begin() {
  case "${VELMO_EMULATE_I386:-0}" in 0 | "") return 0 ;; esac
  local major
  major=$(velmo_qemu_major)
  if [ "${major:-0}" -lt 10 ]; then
    echo "emulation: $velmo_qemu is not version 10 or newer (tools/deps.sh installs it)" >&2
    return 1
  fi
  # Entries of earlier runs that could not remove theirs (killed).
  local stale
  for stale in $velmo_binfmt/velmo-emulate-i386-*; do
    [ -e "$stale" ] && ! kill -0 "${stale##*-}" 2>/dev/null && velmo_binfmt_remove "${stale##*/}"
  done
  velmo_emulation_entry=velmo-emulate-i386-$$
  trap velmo_emulate_i386_end EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  if ! velmo_binfmt_register "$velmo_emulation_entry"; then
    echo "emulation: cannot register $velmo_qemu with binfmt_misc (run as root)" >&2
    return 1
  fi
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "emulation: 32-bit programs do not run through $velmo_qemu" >&2
    return 1
  fi
  echo "emulation: i386 programs run through $("$velmo_qemu" --version | head -1)" \
       "(binfmt_misc entry $velmo_emulation_entry, removed at the end)"
}

velmo_emulate_i386_end() {
  [ -n "${velmo_emulation_entry:-}" ] || return 0
  velmo_binfmt_remove "$velmo_emulation_entry" ||
    echo "emulation: cannot remove binfmt_misc entry $velmo_emulation_entry" >&2
  velmo_emulation_entry=""
}
