# Setup.exe: every module's objects, the resources and the packed payload.
add_executable(Setup WIN32 ${VELMO_ROOT}/resources/setup.rc)
# The resource compiler does not see the files that setup.rc pulls in.
set_source_files_properties(${VELMO_ROOT}/resources/setup.rc PROPERTIES OBJECT_DEPENDS
  "${VELMO_ROOT}/resources/setup.manifest;${VELMO_ROOT}/resources/velmo.ico;${VELMO_ROOT}/resources/watermark.bmp")
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup)
target_link_libraries(Setup PRIVATE
  velmo_app velmo_product
  comctl32 comdlg32 shell32 ole32 oleaut32 uuid advapi32 gdi32 user32 kernel32)
foreach(module wizard install state locale xml)
  if(TARGET velmo_${module})
    target_link_libraries(Setup PRIVATE velmo_${module})
  endif()
endforeach()
target_include_directories(Setup PRIVATE ${VELMO_ROOT} ${VELMO_ROOT}/resources)
velmo_shipped(Setup)
velmo_sign(Setup "Velmo Setup")

# The packed payload: one "QFILE" resource per payload file, packed by
# payload/ in each Windows build.
set(VELMO_QFILE_RC ${VELMO_PAYLOAD_DIR}/qfile.rc)
set_source_files_properties(${VELMO_QFILE_RC} PROPERTIES GENERATED TRUE)
target_sources(Setup PRIVATE ${VELMO_QFILE_RC})
target_include_directories(Setup PRIVATE ${VELMO_PAYLOAD_DIR})
if(TARGET velmo_payload)
  add_dependencies(Setup velmo_payload)
endif()
