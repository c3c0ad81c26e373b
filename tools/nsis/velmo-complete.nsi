; The second comparison installer of tools/bench-nsis.sh: what velmo.nsi
; does, and besides it what Setup.exe does on top of the files: an
; uninstaller, the App Paths entry, a complete entry in the list of installed
; programs, the program group's three links and the desktop's. Its names end
; in "Nsis", so that it can run beside Setup.exe in one prefix. Build:
;   makensis -DSOURCE=<folder of the staged files> -DOUT=<installer.exe>
;            -DWEBSITE=<the product's web address> velmo-complete.nsi
; and run silently: installer.exe /S
Unicode true
SetCompressor zlib
Name "Velmo"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\VelmoNsis"
RequestExecutionLevel admin
ShowInstDetails nevershow

!define UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\VelmoNsis"

Section
  SetOutPath "$INSTDIR"
  ; Its own uninstaller takes the place of Setup.exe's.
  File /r /x Uninstall.exe "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\UninstallNsis.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\VelmoNsis.exe" "" "$INSTDIR\Velmo.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\VelmoNsis.exe" "Path" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL}" "UninstallString" '"$INSTDIR\UninstallNsis.exe"'
  WriteRegStr HKLM "${UNINSTALL}" "DisplayName" "Velmo"
  WriteRegStr HKLM "${UNINSTALL}" "QuietUninstallString" '"$INSTDIR\UninstallNsis.exe" /S'
  WriteRegStr HKLM "${UNINSTALL}" "DisplayVersion" "3.1.51"
  WriteRegDWORD HKLM "${UNINSTALL}" "VersionMajor" 3
  WriteRegDWORD HKLM "${UNINSTALL}" "VersionMinor" 1
  WriteRegStr HKLM "${UNINSTALL}" "Publisher" "Kestrin Software"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayIcon" "$INSTDIR\Velmo.exe,0"
  WriteRegStr HKLM "${UNINSTALL}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL}" "InstallDate" "20261210"
  WriteRegDWORD HKLM "${UNINSTALL}" "EstimatedSize" 3540
  WriteRegStr HKLM "${UNINSTALL}" "URLInfoAbout" "${WEBSITE}"
  WriteRegDWORD HKLM "${UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL}" "NoRepair" 1
  CreateDirectory "$SMPROGRAMS\VelmoNsis"
  CreateShortCut "$SMPROGRAMS\VelmoNsis\Velmo.lnk" "$INSTDIR\Velmo.exe"
  CreateShortCut "$SMPROGRAMS\VelmoNsis\Uninstall Velmo.lnk" "$INSTDIR\UninstallNsis.exe"
  CreateShortCut "$SMPROGRAMS\VelmoNsis\Velmo Website.lnk" "${WEBSITE}"
  CreateShortCut "$DESKTOP\VelmoNsis.lnk" "$INSTDIR\Velmo.exe"
SectionEnd

Section "Uninstall"
  Delete "$DESKTOP\VelmoNsis.lnk"
  RMDir /r "$SMPROGRAMS\VelmoNsis"
  DeleteRegKey HKLM "${UNINSTALL}"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\VelmoNsis.exe"
  RMDir /r "$INSTDIR"
SectionEnd
