#!/bin/bash
# Installs what building and testing need on a Debian 12 machine (run as
# root). Quick and silent when everything is in place already.
#
#   tools/deps.sh [PACKAGE...]   also the packages named, which a tool of
#                                its own needs (tools/native-vm.sh)
set -eu

# The Debian release the machine runs: its suites are the only archive used.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")

packages=(
  cmake ninja-build g++ python3 googletest libgtest-dev zlib1g-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686
  # The payload's streams are searched for with zopfli; the programs are
  # signed with osslsigncode (its test makes a certificate with openssl);
  # the download is compared with NSIS installers of the same files.
  libzopfli-dev osslsigncode openssl nsis
  wine wine32
  # What Wine's windows need to look as on Windows: Wine's own fonts (caption
  # symbols, dialog fonts; see tests/harness/wine-template.sh) and fonts with
  # the metrics of Arial and the other core fonts.
  fonts-wine fonts-liberation
  xvfb xauth x11-utils imagemagick locales procps
)
# The Wine server serves 32-bit programs whatever its own width, and Debian's
# wineserver command prefers the 64-bit one: where 32-bit code runs through
# qemu-i386, the server then runs natively instead of emulated, and every
# window, file and registry request of a test goes through it.
[ "$(dpkg --print-architecture)" = amd64 ] && packages+=(wine64)
packages+=("$@")

missing=()
have_i386=$(dpkg --print-foreign-architectures | grep -cx i386 || true)
for p in "${packages[@]}"; do
  arch=""
  [ "$p" = wine32 ] && arch=":i386"
  dpkg-query -W -f='${Status}\n' "$p$arch" 2>/dev/null | grep -q "install ok installed" || missing+=("$p$arch")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  [ "$have_i386" = 1 ] || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # An index that fails to download (a mirror in the middle of a sync) makes
  # apt-get update fail although apt keeps the lists it had: the install
  # below tells whether they are enough.
  update_failed=""
  apt-get update -q ||
    { update_failed=1; echo "deps: apt-get update failed for some index; going on with the lists apt has"; }
  apt_install() { apt-get install -y -q --no-install-recommends "$@" >>/tmp/velmo-apt.log 2>&1; }
  : >/tmp/velmo-apt.log
  if ! apt_install "${missing[@]}"; then
    # Without the i386 index of the security suite, the two architectures'
    # candidates of a shared library differ (amd64's from the security suite,
    # i386's from the release), and the 32-bit Wine cannot be installed. The
    # release's own suite has both at the same version.
    [ -n "$update_failed" ] && [ -n "$codename" ] || { tail -30 /tmp/velmo-apt.log; exit 1; }
    echo "deps: installing from $codename's own suite, as an index of its updates is missing"
    apt_install -t "$codename" "${missing[@]}" || { tail -30 /tmp/velmo-apt.log; exit 1; }
  fi
fi

# The address of this release's archive as the machine's apt knows it.
archive_uri() {
  archive_uris "$1" | head -1
}

# Every archive address the machine's apt names for this release and its
# updates and security suites, the release's own first. The project names
# no archive of its own: what apt is configured with is all it uses.
archive_uris() {
  local codename=$1
  apt-cache policy 2>/dev/null |
    awk -v c="$codename" '$3 == c "/main" { print 0, $2 } $3 ~ ("^" c "-(updates|security)/main$") { print 1, $2 }' |
    sort -s -k1,1n | awk '!seen[$2]++ { print $2 }'
}

# zlib's source for the Windows programs (third_party/CMakeLists.txt builds
# it for size): the release named in third_party/zlib.sha256, fetched from
# the archive's pool by apt's own downloader, so through apt's proxy
# settings, and checked against that hash.
cache=/var/cache/velmo
read -r zlib_hash zlib_archive < "$(dirname "$0")/../third_party/zlib.sha256"
if ! (cd "$cache" 2>/dev/null && echo "$zlib_hash  $zlib_archive" | sha256sum -c --quiet >/dev/null 2>&1); then
  echo "deps: fetching $zlib_archive"
  mkdir -p "$cache"
  uris=$(archive_uris "$codename")
  fetched=""
  for base in $uris; do
    if /usr/lib/apt/apt-helper download-file "$base/pool/main/z/zlib/$zlib_archive" \
         "$cache/$zlib_archive.part" "SHA256:$zlib_hash" >>/tmp/velmo-apt.log 2>&1; then
      mv "$cache/$zlib_archive.part" "$cache/$zlib_archive"
      fetched=1
      break
    fi
  done
  if [ -z "$fetched" ]; then
    rm -f "$cache/$zlib_archive.part"
    tail -5 /tmp/velmo-apt.log
    if [ -z "$uris" ]; then
      echo "deps: apt names no archive for $codename/main (apt-cache policy), so zlib's" \
           "source $zlib_archive cannot be fetched; add one to the apt sources and run" \
           "apt-get update, or place the file in $cache" >&2
    else
      echo "deps: $zlib_archive (SHA256 $zlib_hash) could not be fetched from the pool of" \
           "the archives apt names ($(echo $uris)); place it in $cache by hand" >&2
    fi
    exit 1
  fi
fi

# Wine maps non-ASCII file names through the Unix locale; the tests run
# with English and Dutch user locales.
for loc in en_US nl_NL; do
  if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
    sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >> /etc/locale.gen
    need_gen=1
  fi
done
[ -n "${need_gen:-}" ] && locale-gen >/dev/null

# 32-bit programs through qemu-i386 10 where the kernel cannot run them
# (tools/i386-emulation.sh), and for a run with VELMO_EMULATE_I386=1, which
# registers it for itself (tools/test.sh).
. "$(dirname "$0")/i386-emulation.sh"
entry=$velmo_binfmt/velmo-qemu-i386

# The backports suite of this release, at the address of the machine's
# own archive.
add_backports() {
  local uri
  uri=$(archive_uri "$codename")
  [ -n "$codename" ] && [ -n "$uri" ] || { echo "deps: apt names no archive for $codename" >&2; return 1; }
  echo "deb $uri $codename-backports main" > /etc/apt/sources.list.d/velmo-backports.list
  apt-get update -q >>/tmp/velmo-apt.log 2>&1
  echo "$codename-backports"
}

needs_emulation() {
  [ -e "$entry" ] && return 0
  ! /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

emulate=""
needs_emulation && emulate=1
case "${VELMO_EMULATE_I386:-0}" in 0 | "") ;; *) emulate=1 ;; esac
if [ -n "$emulate" ]; then
  major=$(velmo_qemu_major)
  if [ "${major:-0}" -lt 10 ]; then
    echo "deps: installing qemu-i386 10 or newer"
    suite=$(add_backports) || exit 1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      -t "$suite" qemu-user >>/tmp/velmo-apt.log 2>&1 || { tail -30 /tmp/velmo-apt.log; exit 1; }
    major=$(velmo_qemu_major)
    [ "${major:-0}" -ge 10 ] || { echo "deps: $velmo_qemu is not version 10 or newer" >&2; exit 1; }
  fi
fi
if needs_emulation; then
  # An entry registered with F keeps its interpreter file open: when the
  # interpreter changed, it must be registered again.
  if [ -e "$entry" ] && ! grep -qx "interpreter $velmo_qemu" "$entry"; then
    echo -1 > "$entry"
  fi
  if [ ! -e "$entry" ]; then
    velmo_binfmt_register velmo-qemu-i386 || { echo "deps: cannot register $velmo_qemu" >&2; exit 1; }
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "deps: 32-bit programs cannot run here" >&2; exit 1; }
fi
exit 0
