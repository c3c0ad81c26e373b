#!/bin/bash
# Makes the Wine prefix template that every Windows-side test copies: a
# 32-bit Windows machine, like the ones the setup is made for. It is made
# once per build folder and marked with .ready, which names the recipe; a
# template of an older recipe is made again.
#
#   wine-template.sh DIR
set -u
dir=$(realpath -m "$1")  # Wine takes absolute prefixes only
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

recipe="win32 prefix, undecorated and unmanaged windows, classic look, Wine fonts, no desktop integration or idle services or device buses, 8"
[ "$(cat "$dir/.ready" 2>/dev/null)" = "$recipe" ] && exit 0
rm -rf "$dir.tmp" && mkdir -p "$(dirname "$dir")"
echo "wine-template: creating the Wine prefix template (once per build)"
export WINEPREFIX="$dir.tmp" WINEARCH=win32 WINEDEBUG=-all
if ! timeout 600 "$VELMO_WINE" wineboot -i >"$(dirname "$dir")/wineboot.log" 2>&1; then
  echo "wine-template: wineboot failed, see $(dirname "$dir")/wineboot.log" >&2
  exit 1
fi
# The settings below go in with one import: under the emulator every
# Windows process costs about a second of processor time.
settings="$dir.tmp/drive_c/velmo-template.reg"
{
  echo 'REGEDIT4'
  echo
  # Without a window manager on the virtual display, Wine draws the caption
  # and frame of its windows itself only when told so. Nor is there anyone
  # to confirm that a window has gone: Wine would wait 2 s for that
  # whenever a captioned window closes, unless told that no window manager
  # looks after its windows.
  echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
  echo '"Decorated"="N"'
  echo '"Managed"="N"'
  echo
  # The classic look. Wine's default visual styles draw every control from
  # the bitmaps of a 7 MB style file, which a test pays for in every program
  # that shows a window: under the emulator, a sixth of the processor time
  # of a set of scenarios. What the tests check does not depend on the
  # look. The tour, whose pictures the README shows, and tools/run.sh turn
  # the styles on again (velmo_use_visual_styles): the setup as users see it.
  echo '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]'
  echo '"ThemeActive"="0"'
  # Services that no test needs and that every session would start through
  # the emulator where there is one: the event log, networking, the
  # plug-and-play manager and the RPC service, which only the desktop
  # process asks for, to offer its list of shell windows to other processes
  # (nothing here is a COM server of another process). The mount manager
  # stays: it names the drives.
  for service in Eventlog NDIS nsiproxy PlugPlay RpcSs; do
    echo
    echo "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\$service]"
    echo '"Start"=dword:00000004'
  done
  echo
  # The HID and USB buses are root devices, which every session would start
  # in a driver process of their own; nothing here uses them.
  echo '[-HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\ROOT\WINE]'
} | sed 's/$/\r/' >"$settings"
if ! timeout 120 "$VELMO_WINE" reg import 'C:\velmo-template.reg' >/dev/null 2>&1; then
  echo "wine-template: importing the template's settings failed" >&2
  exit 1
fi
rm -f "$settings"
timeout 300 "$VELMO_WINESERVER" -w
# Wine copies every shell link that a program saves into the Linux desktop's
# menus through winemenubuilder, a process of its own per link. The harness
# disables it (wine-env.sh), but Wine would still start the process, only
# for it to refuse to load: without its stub in the prefix the start fails
# at once.
rm -f "$dir.tmp/drive_c/windows/system32/winemenubuilder.exe"
# Wine draws the caption buttons with the Marlett symbol font (without it the
# close box shows a letter "r") and dialogs in Tahoma and MS Sans Serif. This
# Wine reads them from the prefix's Fonts folder only, and wineboot leaves
# that empty: copy them from the fonts-wine package (tools/deps.sh).
fonts=/usr/share/wine/fonts
if [ ! -f "$fonts/marlett.ttf" ]; then
  echo "wine-template: $fonts/marlett.ttf is missing; install fonts-wine (tools/deps.sh)" >&2
  exit 1
fi
cp "$fonts"/* "$dir.tmp/drive_c/windows/Fonts/" || exit 1
# The user's shell folders point into the real home folder; make them plain
# folders of the prefix so that tests never touch the machine's own desktop.
for link in "$dir.tmp"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm -f "$link" && mkdir -p "$link"
  fi
done
rm -rf "$dir" && mv "$dir.tmp" "$dir" && echo "$recipe" > "$dir/.ready"
