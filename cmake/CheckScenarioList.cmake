# Compares the scenarios registered with velmo_e2e_test with the TESTs that
# the scenario sources define, so that neither list can lose or gain one
# unnoticed: a TEST that no entry runs, or an entry whose TEST was renamed or
# deleted, fails the build of e2e.exe.
#   cmake -DSOURCES=<a.cpp;b.cpp> -DREGISTERED=<file> -DSTAMP=<file> -P CheckScenarioList.cmake
# REGISTERED holds the registered names (Suite.name), separated by ";".
cmake_minimum_required(VERSION 3.16)
foreach(var SOURCES REGISTERED STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckScenarioList: ${var} not given")
  endif()
endforeach()

set(defined "")
set(problems "")
foreach(source ${SOURCES})
  file(READ ${source} text)
  # Only plain TESTs are understood; any other way of defining a test
  # would escape the comparison.
  if(text MATCHES "(^|[^A-Za-z0-9_])(TEST_F|TEST_P|TYPED_TEST[A-Z_]*|INSTANTIATE_[A-Z_]+)[ \t]*\\(")
    string(APPEND problems "\n  ${source}: ${CMAKE_MATCH_2} is not a plain TEST")
  endif()
  string(REGEX MATCHALL "(^|\n)[ \t]*TEST[ \t]*\\([ \t\n]*[A-Za-z0-9_]+[ \t\n]*,[ \t\n]*[A-Za-z0-9_]+"
         tests "${text}")
  foreach(test ${tests})
    string(REGEX REPLACE "^[ \t\n]*TEST[ \t]*\\([ \t\n]*([A-Za-z0-9_]+)[ \t\n]*,[ \t\n]*([A-Za-z0-9_]+)$"
           "\\1.\\2" name "${test}")
    list(APPEND defined ${name})
  endforeach()
endforeach()

file(READ ${REGISTERED} registered)
string(STRIP "${registered}" registered)
list(REMOVE_ITEM registered "")
list(REMOVE_DUPLICATES registered)
if(NOT defined)
  string(APPEND problems "\n  no TEST found in the scenario sources")
endif()
foreach(name ${defined})
  if(NOT name IN_LIST registered)
    string(APPEND problems "\n  ${name}: a TEST that no velmo_e2e_test entry runs")
  endif()
endforeach()
foreach(name ${registered})
  if(NOT name IN_LIST defined)
    string(APPEND problems "\n  ${name}: registered, but no such TEST in the sources")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "The scenario list and the scenario sources differ:${problems}")
endif()
file(WRITE ${STAMP} "${defined}\n")
