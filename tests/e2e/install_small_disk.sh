#!/bin/sh
# Prepares a test machine whose destination folder, C:\Program Files\Velmo,
# is a small file system of its own (8 MB of memory), and whose uninstall
# record in that folder links to a folder on the ordinary disk, so that the
# record can be written when the small disk is full. Run by the Wine harness
# (--prepare) with VELMO_PREFIX set; the harness unmounts it at the end.
set -eu
destination="$VELMO_PREFIX/drive_c/Program Files/Velmo"
mkdir -p "$destination" "$VELMO_PREFIX/drive_c/record"
mount -t tmpfs -o size=8m velmo-small-disk "$destination"
ln -s "$VELMO_PREFIX/drive_c/record/Uninstall.dat" "$destination/Uninstall.dat"
