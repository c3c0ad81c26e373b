#!/bin/sh
# Prepares a test machine whose destination folders lead elsewhere, into
# C:\Outside, where the files of somebody else lie: C:\Games\Velmo has a
# Unix symbolic link to a folder in place of its Cardsets folder; in
# C:\Games\Linked the game's English.qlf is a symbolic link to a file, in
# C:\Games\Twice its Splash.bmp a second name (a hard link) of a file, and in
# C:\Games\Dangling its VelmoReport.exe a link to a file that does not
# exist. Run by the Wine harness (--prepare) with VELMO_PREFIX set.
set -eu
drive="$VELMO_PREFIX/drive_c"
mkdir -p "$drive/Outside/Cards" "$drive/Games/Velmo" "$drive/Games/Linked" \
  "$drive/Games/Twice" "$drive/Games/Dangling"
printf 'cards of somebody else' >"$drive/Outside/Cards/Cards.png"
printf 'texts of somebody else' >"$drive/Outside/texts.qlf"
printf 'a picture of somebody else' >"$drive/Outside/picture.bmp"
ln -s ../../Outside/Cards "$drive/Games/Velmo/Cardsets"
ln -s ../../Outside/texts.qlf "$drive/Games/Linked/English.qlf"
ln "$drive/Outside/picture.bmp" "$drive/Games/Twice/Splash.bmp"
ln -s ../../Outside/made.exe "$drive/Games/Dangling/VelmoReport.exe"
