#!/bin/sh
# Prepares a test machine whose destination folder, C:\Program Files\Velmo,
# holds an uninstall record that the file system refuses to change (the
# immutable attribute). Run by the Wine harness (--prepare) with
# VELMO_PREFIX set; with "finish" (--finish) it lifts the attribute again.
set -eu
record="$VELMO_PREFIX/drive_c/Program Files/Velmo/Uninstall.dat"
if [ "${1:-}" = finish ]; then
  [ -f "$record" ] && chattr -i "$record"
  exit 0
fi
mkdir -p "$(dirname "$record")"
printf '<?xml version="1.0"?>\r\n<UNINSTALL>\r\n  <APPNAME>Velmo</APPNAME>\r\n</UNINSTALL>\r\n' >"$record"
chattr +i "$record"
