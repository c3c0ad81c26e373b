; The comparison installer of tools/bench-nsis.sh: the same payload files as
; Setup.exe, zlib-compressed, copied into one folder, nothing else. Build:
;   makensis -DSOURCE=<folder of the staged files> -DOUT=<installer.exe> velmo.nsi
; and run silently: installer.exe /S
Unicode true
SetCompressor zlib
Name "Velmo"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\Velmo"
RequestExecutionLevel admin
ShowInstDetails nevershow

Section
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
SectionEnd
