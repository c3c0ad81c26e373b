#!/bin/sh
# Gives the test machine a drive D: of its own: a small file system (2 MB
# of memory, less than the installation needs) linked as D: in the prefix's
# dosdevices. Run by the Wine harness (--prepare) with VELMO_PREFIX set; the
# harness unmounts it at the end.
set -eu
drive="$VELMO_PREFIX/small-drive"
mkdir -p "$drive"
mount -t tmpfs -o size=2m velmo-small-drive "$drive"
ln -sfn "$drive" "$VELMO_PREFIX/dosdevices/d:"
