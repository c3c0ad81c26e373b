#!/bin/bash
# Runs a command on a kernel that runs 32-bit programs itself, from a
# machine whose kernel cannot: in a virtual machine under qemu-system-x86_64
# that boots the release's own kernel. It is the other way round from
# VELMO_EMULATE_I386=1, for machines where Wine runs through qemu-i386.
#
#   sudo tools/native-vm.sh                    # tools/test.sh
#   sudo tools/native-vm.sh ctest --test-dir build/win32-tests -R Wizard
#
# The machine's root file system is the virtual machine's, read-only, under
# a layer in the virtual machine's memory: the command runs in the current
# folder and sees the checkout, its build folder and the installed packages
# as they are, and what it writes is gone when it ends. VELMO_* variables
# go with it. Its output appears here, and the script exits with its exit
# code. The virtual machine has no network: tools/deps.sh runs here first.
#
# Without /dev/kvm every instruction is translated, the kernel's and the
# 64-bit programs' too: a scenario takes about five times as long as where
# only the 32-bit programs run through qemu-i386, so times measured inside
# say nothing of a native machine; what passes and fails does.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
work=${VELMO_BUILD:-$root/build}/native-vm
[ $# -gt 0 ] || set -- "$root/tools/test.sh"

# The virtual machine, a static busybox for its first file system (with
# switch_root) and depmod for the kernel's modules.
"$root/tools/deps.sh" qemu-system-x86 busybox-static kmod || exit 1

# The release's current kernel package, from the archive apt names, once.
mkdir -p "$work" || exit 1
kernel_dir=$work/kernel
if ! ls "$kernel_dir"/boot/vmlinuz-* >/dev/null 2>&1; then
  package=$(apt-cache depends linux-image-amd64 2>/dev/null |
            sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1)
  [ -n "$package" ] || { echo "native-vm: apt knows no linux-image-amd64 package" >&2; exit 1; }
  rm -rf "$kernel_dir" "$work"/*.deb
  (cd "$work" && apt-get download "$package" >/dev/null 2>&1) ||
    { echo "native-vm: cannot download $package from the archives apt names" >&2; exit 1; }
  dpkg-deb -x "$work/$package"_*.deb "$kernel_dir" && rm -f "$work"/*.deb || exit 1
fi
vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-* | head -1)
release=${vmlinuz##*/vmlinuz-}
modules=$kernel_dir/lib/modules/$release
[ -e "$modules/modules.dep" ] || depmod -b "$kernel_dir" "$release" || exit 1

# The initial file system: busybox, the modules for virtio, 9p, overlay and
# binfmt_misc (the emulation switch inside needs it) with what they need,
# and a start that puts the layers together and runs the command.
share=$work/share
rm -rf "$work/initrd" "$share" && mkdir -p "$work/initrd"/{bin,dev,proc,lower,upper,newroot} "$share" || exit 1
cp /bin/busybox "$work/initrd/bin/" || exit 1
wanted="virtio_pci 9pnet_virtio 9p overlay binfmt_misc"
for module in $wanted; do
  grep -q "/$module\.ko:" "$modules/modules.dep" ||
    { echo "native-vm: $release has no module $module.ko" >&2; exit 1; }
done
for module in $wanted; do
  sed -n "s|^\([^:]*/$module\.ko\): *\(.*\)|\1 \2|p" "$modules/modules.dep"
done | tr ' ' '\n' | sort -u | while read -r file; do
  [ -n "$file" ] || continue
  mkdir -p "$work/initrd/lib/modules/$release/$(dirname "$file")"
  cp "$modules/$file" "$work/initrd/lib/modules/$release/$file"
done
cp "$modules/modules.dep" "$work/initrd/lib/modules/$release/"

memory_kb=$(awk '/^MemTotal:/ { print $2 }' /proc/meminfo)
memory_mb=$((memory_kb / 2048))
[ "$memory_mb" -gt 16384 ] && memory_mb=16384
cat >"$work/initrd/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t devtmpfs dev /dev
mount -t proc proc /proc
modprobe -a $wanted || echo "native-vm: a module did not load"
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000,cache=loose root /lower &&
  mount -t tmpfs -o size=$((memory_mb * 3 / 4))m upper /upper &&
  mkdir -p /upper/data /upper/work &&
  mount -t overlay -o lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work overlay /newroot &&
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 share /newroot$share || {
    echo "native-vm: the machine's file system cannot be mounted"; sleep 1; poweroff -f; }
mount -t proc proc /newroot/proc
mount -t sysfs sys /newroot/sys
mount -t devtmpfs dev /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs shm /newroot/dev/shm
mount -t tmpfs run /newroot/run
umount /proc /dev
exec switch_root /newroot /bin/bash "$share/inside.sh"
EOF
chmod +x "$work/initrd/init"
(cd "$work/initrd" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd.gz" || exit 1

{
  printf 'exec >%q 2>&1\n' "$share/output"
  printf 'export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=%q\n' "$HOME"
  env | grep '^VELMO_[A-Z0-9_]*=' | while IFS='=' read -r name value; do
    printf 'export %s=%q\n' "$name" "$value"
  done
  printf 'cd %q || exit 1\n' "$PWD"
  printf '%q ' "$@"; echo
  printf 'echo $? >%q\n' "$share/rc"
  echo "sync; echo o >/proc/sysrq-trigger"
} >"$share/inside.sh"
: >"$share/output"

if [ -w /dev/kvm ]; then
  accel=(-accel kvm -cpu host)
else
  # qemu 7.2's "max" model made the guest fault on the return to 32-bit
  # code; the plain model with the extensions that programs look for works.
  accel=(-accel tcg,thread=multi -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt)
fi
echo "native-vm: $release, $(nproc) processors, $memory_mb MB, ${accel[1]%%,*}"
qemu-system-x86_64 "${accel[@]}" -smp "$(nproc)" -m "$memory_mb" -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initrd.gz" -append "console=ttyS0 quiet panic=-1" \
  -virtfs local,path=/,mount_tag=root,security_model=passthrough,readonly=on,multidevs=remap \
  -virtfs local,path="$share",mount_tag=share,security_model=passthrough \
  >"$work/console.log" 2>&1 &
vm=$!
trap 'kill $vm 2>/dev/null' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
tail -f -n +1 --pid=$vm "$share/output"
wait $vm
rc=$(cat "$share/rc" 2>/dev/null)
if [ -z "$rc" ]; then
  echo "native-vm: the command did not end; the virtual machine's console:" >&2
  tail -20 "$work/console.log" >&2
  exit 1
fi
exit "$rc"
