# Signs one program in place (run by velmo_sign after the link):
#   cmake -DOSSLSIGNCODE=... -DCERT=... -DKEY=... -DTIME=... -DDESCRIPTION=...
#         -DFILE=... -P sign.cmake
# The signed program is written beside the linked one and then put in its
# place. When signing fails the linked program is deleted, so that the next
# build links and signs it again instead of going on with it unsigned.
if(TIME STREQUAL "" AND DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TIME $ENV{SOURCE_DATE_EPOCH})
endif()
set(at_time)
if(NOT TIME STREQUAL "")
  set(at_time -time ${TIME})
endif()
set(signed ${FILE}.signed)
file(REMOVE ${signed})
execute_process(
  COMMAND ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} -h sha256 -n ${DESCRIPTION}
          ${at_time} -in ${FILE} -out ${signed}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${signed})
  file(REMOVE ${FILE} ${signed})
  message(FATAL_ERROR "signing ${FILE} failed:\n${output}")
endif()
# osslsigncode writes a plain file; the program stays a program.
file(CHMOD ${signed} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
file(RENAME ${signed} ${FILE})
