; The smallest NSIS installer of the setup's payload, to compare download
; sizes with (tools/nsis_compare.py): the same files into one folder, with
; a folder page and a progress page, and nothing else.
;
;   makensis -DPAYLOAD=DIR -DOUTFILE=FILE [-DSOLID] nsis_compare.nsi
!ifdef SOLID
SetCompressor /SOLID zlib
!else
SetCompressor zlib
!endif
Name "Velmo"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Velmo"
RequestExecutionLevel admin
Page directory
Page instfiles
Section
  SetOutPath "$INSTDIR"
  File /r "${PAYLOAD}/*.*"
SectionEnd
