#!/bin/sh
# Prepares the removal's test machine: C:\Place, the installation, with a
# real folder of its own, C:\Place\Swapped, a Unix symbolic link to
# C:\Outside, which holds the user's own files, and C:\Place\Other, one to
# D:\Place\Other. Run by the Wine harness
# (--prepare) with VELMO_PREFIX set.
set -eu
drive="$VELMO_PREFIX/drive_c"
mkdir -p "$drive/Place/Real/Full" "$drive/Place/Real/Empty" "$drive/Outside/Sub" \
         "$drive/Outside/Empty"
printf 'the user' >"$drive/Outside/Sub/victim.txt"
printf 'the user' >"$drive/Place/Real/Full/user.txt"
printf '<UNINSTALL/>' >"$drive/Place/Uninstall.dat"
for name in a.txt held.txt kept.txt; do
  printf 'the setup' >"$drive/Place/Real/$name"
done
ln -s ../Outside "$drive/Place/Swapped"
# D:, a second drive, holds the same folders as the installation; C:\Place\Other
# leads to the same place on it.
mkdir -p "$VELMO_PREFIX/second/Place/Other"
printf 'the user' >"$VELMO_PREFIX/second/Place/Other/victim.txt"
ln -s ../second "$VELMO_PREFIX/dosdevices/d:"
ln -s ../../second/Place/Other "$drive/Place/Other"
