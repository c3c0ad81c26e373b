#!/bin/sh
# Prepares a test machine whose game folder, C:\Games\Velmo, holds links
# out of it: Saves, a Unix symbolic link to the folder C:\Outside, and
# notes.txt, one to the file C:\Outside\notes.txt. Run by the Wine harness
# (--prepare) with VELMO_PREFIX set.
set -eu
drive="$VELMO_PREFIX/drive_c"
mkdir -p "$drive/Games/Velmo" "$drive/Outside/Empty"
for name in keep.txt notes.txt Velmolog-1.txt; do
  printf '%s' "$name" >"$drive/Outside/$name"
done
ln -s ../../Outside "$drive/Games/Velmo/Saves"
ln -s ../../Outside/notes.txt "$drive/Games/Velmo/notes.txt"
