#!/bin/sh
# Prepares the removal's test machine: C:\Place, the installation, with a
# real folder of its own, and C:\Place\Swapped, a Unix symbolic link to
# C:\Outside, which holds the user's own files. Run by the Wine harness
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
