# Build helpers shared by every module's CMakeLists.txt.
set(VELMO_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
get_filename_component(VELMO_ROOT ${VELMO_ROOT} ABSOLUTE)

# The three builds (see tools/build.sh):
#   host         native tools, unit tests, fuzzers
#   win32        the product: Setup.exe and the programs it installs
#   win32-tests  the Windows-side tests, the test driver and the end-to-end
#                scenarios, which run the win32 build's Setup.exe under Wine
# The tests need their own build: GoogleTest needs std::mutex, which only
# mingw's posix thread model has, and the product keeps the win32 model.
set(VELMO_WINDOWS_TESTS OFF CACHE BOOL "Build the Windows-side tests instead of the product")
if(NOT WIN32)
  set(VELMO_FLAVOUR host)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "Setup.exe and its tests are 32-bit Windows programs; "
                      "use cmake/toolchain-i686-w64-mingw32.cmake")
elseif(VELMO_WINDOWS_TESTS)
  set(VELMO_FLAVOUR win32-tests)
  # Test programs need no speed; -O1 compiles them in half the time. The
  # module code they link keeps the product's flags (velmo_module).
  add_compile_options(-O1)
else()
  set(VELMO_FLAVOUR win32)
endif()

# Where the packed payload lives: qfile.rc, the compressed streams and the
# generated manifest sizes. The win32 build produces it; the other builds
# are pointed at it.
set(VELMO_PAYLOAD_DIR "" CACHE PATH "Folder with the packed payload (qfile.rc, manifest_table.inc)")
# The manifest tables come from packing; a host build configured before (or
# without) the win32 build has none and leaves out what needs them.
if(EXISTS "${VELMO_PAYLOAD_DIR}/manifest_table.inc")
  set(VELMO_HAVE_MANIFEST ON)
else()
  set(VELMO_HAVE_MANIFEST OFF)
endif()
# Folder with the host tools (vpack, vdatagen) for the cross builds.
set(VELMO_HOST_TOOLS "" CACHE PATH "Folder with the native build's tools")
# Where vpack keeps the streams it packed, so that a file that did not
# change is not packed again. Builds may share one (tools/build.sh gives
# its builds and their tests the one beside them).
set(VELMO_PACK_CACHE "${CMAKE_BINARY_DIR}/pack-cache" CACHE PATH
    "Folder of the packed streams that vpack keeps for the next build")

# Signing: with a certificate and its private key (PEM or DER files), the
# build signs Uninstall.exe before it is packed and Setup.exe once it is
# linked, with osslsigncode. The signing time is VELMO_SIGN_TIME (seconds
# since 1970), else the environment's SOURCE_DATE_EPOCH, else the moment
# of signing: a fixed time gives the same signed files every build.
set(VELMO_SIGN_CERT "" CACHE FILEPATH "Certificate to sign the programs with (empty: unsigned)")
set(VELMO_SIGN_KEY "" CACHE FILEPATH "Private key of VELMO_SIGN_CERT")
set(VELMO_SIGN_TIME "" CACHE STRING "Signing time in seconds since 1970 (empty: see above)")
if(VELMO_SIGN_CERT OR VELMO_SIGN_KEY)
  foreach(file VELMO_SIGN_CERT VELMO_SIGN_KEY)
    if(NOT EXISTS "${${file}}")
      message(FATAL_ERROR "${file} (${${file}}) names no file; signing needs both "
                          "VELMO_SIGN_CERT and VELMO_SIGN_KEY")
    endif()
  endforeach()
  if(NOT VELMO_SIGN_TIME STREQUAL "" AND NOT VELMO_SIGN_TIME MATCHES "^[0-9]+$")
    message(FATAL_ERROR "VELMO_SIGN_TIME (${VELMO_SIGN_TIME}) is no number of seconds")
  endif()
  find_program(VELMO_OSSLSIGNCODE osslsigncode)
  if(NOT VELMO_OSSLSIGNCODE)
    message(FATAL_ERROR "osslsigncode not found: run tools/deps.sh (as root) first")
  endif()
endif()

# velmo_sign(<target> <description>): signs the target's file once it is
# linked, when the build signs; the description is the program's name in
# the signature, which Windows shows when it asks whether to run it.
function(velmo_sign target description)
  if(NOT VELMO_SIGN_CERT)
    return()
  endif()
  # Another certificate or key, or another way of signing, links and signs
  # the program again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VELMO_SIGN_CERT} ${VELMO_SIGN_KEY}
               ${VELMO_ROOT}/cmake/sign.cmake)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${VELMO_OSSLSIGNCODE}
            -DCERT=${VELMO_SIGN_CERT} -DKEY=${VELMO_SIGN_KEY} -DTIME=${VELMO_SIGN_TIME}
            "-DDESCRIPTION=${description}" -DFILE=$<TARGET_FILE:${target}>
            -P ${VELMO_ROOT}/cmake/sign.cmake
    VERBATIM)
endfunction()

# What ships (Setup.exe and the programs it installs) is built for size:
# no exception or type-information machinery, every function in its own
# section so that the linker drops what nothing uses, no symbols. Data keeps
# one section per object: for PE targets GCC puts a datum of its own section
# into .data even when it is all zeros, so that every zeroed buffer would
# take its size in the file instead of none in .bss. A switch compiles to
# compares rather than a table of addresses, each of which would need an
# entry in the relocation table as well.
# Tests may link the same objects and keep the library's full runtime.
set(VELMO_LEAN_COMPILE -Os -fno-asynchronous-unwind-tables -ffunction-sections -fno-jump-tables
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
set(VELMO_LEAN_LINK -s -Wl,--gc-sections -nostartfiles -Wl,--disable-auto-import)

# velmo_shipped(<target>...): a program that ships: lean, and with the entry
# point and allocation operators of app/ instead of the C runtime's start-up
# code and the library's operators. Nothing may need the start-up code's
# relocation of imported data (auto-import) or its atexit (destructors of
# globals): the link fails if something does.
function(velmo_shipped)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE ${VELMO_LEAN_COMPILE})
    target_link_options(${target} PRIVATE ${VELMO_LEAN_LINK})
    target_link_libraries(${target} PRIVATE velmo_runtime)
  endforeach()
endfunction()

# velmo_module(<name> PORTABLE <sources...> WINDOWS <sources...>)
# An object library velmo_<name>: the portable sources in every build, the
# Windows sources (C++ and .rc fragments) only in the Windows builds. Every
# module links velmo_base.
function(velmo_module name)
  cmake_parse_arguments(M "" "" "PORTABLE;WINDOWS" ${ARGN})
  set(srcs ${M_PORTABLE})
  if(WIN32)
    list(APPEND srcs ${M_WINDOWS})
  endif()
  add_library(velmo_${name} OBJECT ${srcs})
  if(VELMO_FLAVOUR STREQUAL "host")
    # The unit tests link these objects: instrument them too.
    target_compile_options(velmo_${name} PRIVATE ${VELMO_SANITIZE})
  elseif(VELMO_FLAVOUR STREQUAL "win32-tests")
    # Built only for the tests that link it.
    set_target_properties(velmo_${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
  target_include_directories(velmo_${name} PUBLIC ${VELMO_ROOT})
  if(WIN32)
    target_include_directories(velmo_${name} PUBLIC ${VELMO_ROOT}/resources)
    target_compile_options(velmo_${name} PRIVATE ${VELMO_LEAN_COMPILE})
  endif()
  # Every module stands on base/ (the shared text helpers).
  target_link_libraries(velmo_${name} PUBLIC velmo_base)
endfunction()

# Every native unit test and the module code it links run with the address
# and undefined-behaviour sanitizers: a read or write outside a buffer, a
# leak or an overflow fails the test, not only a wrong result. Unoptimised,
# they compile in 40 % less time than at -O1 and still run in seconds; the
# sanitizers find the same faults (optimisation can only remove the code
# that would show one).
set(VELMO_SANITIZE -O0 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# velmo_test_pch(<target>): the target compiles with the precompiled header
# of the build's GoogleTest programs: GoogleTest and the standard headers
# that most tests include, which take most of a test source's compile time.
# The target velmo_test_pch compiles it once with the flags of the test
# programs (the same in every one of a build) and they all reuse it. Never
# for what ships: its bytes stay those of its own sources.
function(velmo_test_pch target)
  if(NOT TARGET velmo_test_pch)
    set(source ${CMAKE_BINARY_DIR}/velmo_test_pch.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "// Compiles the tests' precompiled header.\n")
    add_library(velmo_test_pch OBJECT ${source})
    target_precompile_headers(velmo_test_pch PRIVATE
      <gtest/gtest.h> <algorithm> <cstdio> <cstring> <string> <vector>)
    target_include_directories(velmo_test_pch PRIVATE ${VELMO_ROOT})
    if(VELMO_FLAVOUR STREQUAL "host")
      target_compile_options(velmo_test_pch PRIVATE ${VELMO_SANITIZE})
      target_link_libraries(velmo_test_pch PRIVATE GTest::gtest)
    else()
      target_include_directories(velmo_test_pch PRIVATE ${VELMO_ROOT}/resources)
      target_link_libraries(velmo_test_pch PRIVATE gtest)
    endif()
  endif()
  target_precompile_headers(${target} REUSE_FROM velmo_test_pch)
endfunction()

# velmo_host_test(<name> SOURCES <...> LIBS <...>)
# A native GoogleTest executable, registered with ctest (host build only).
function(velmo_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VELMO_FLAVOUR STREQUAL "host")
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${VELMO_SANITIZE})
  target_link_options(${name} PRIVATE -fsanitize=address,undefined)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${VELMO_ROOT})
  velmo_test_pch(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 60 LABELS unit)
endfunction()

# velmo_fuzzer(<name> FUZZER <source> SOURCES <...> HEADERS <globs...>
#              MAX_LEN <bytes> [SEEDS <folder>] COMMENT <text>)
# A libFuzzer program (host build only) made from its fuzzer source and the
# module sources it fuzzes, registered as the ctest test <name>: it fuzzes
# for 30 seconds from its own corpus (and the committed SEEDS) and fails on
# any crash, leak, overflow, undefined behaviour or input slower than 10
# seconds. libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer
# needs clang (tools/build.sh configures the host build with it, but the
# program does not depend on that): the program is built by a command of
# its own, which compiles every source as C++ (the few C sources are C++
# as well) with the fuzzer's instrumentation; HEADERS are what its sources
# include.
function(velmo_fuzzer name)
  cmake_parse_arguments(F "" "FUZZER;MAX_LEN;SEEDS;COMMENT" "SOURCES;HEADERS" ${ARGN})
  if(F_UNPARSED_ARGUMENTS OR NOT F_FUZZER OR NOT F_MAX_LEN)
    message(FATAL_ERROR "velmo_fuzzer(${name}): needs FUZZER and MAX_LEN (${F_UNPARSED_ARGUMENTS})")
  endif()
  if(NOT VELMO_FLAVOUR STREQUAL "host")
    return()
  endif()
  find_program(VELMO_CLANGXX NAMES clang++ clang++-14 REQUIRED)
  file(GLOB headers CONFIGURE_DEPENDS ${F_HEADERS})
  set(program ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(
    OUTPUT ${program}
    COMMAND ${VELMO_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${VELMO_ROOT} -x c++ ${F_FUZZER} ${F_SOURCES} -o ${program}
    DEPENDS ${F_FUZZER} ${F_SOURCES} ${headers}
    COMMENT ${F_COMMENT}
    VERBATIM)
  add_custom_target(${name}_program ALL DEPENDS ${program})

  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.work)
  file(MAKE_DIRECTORY ${work}/corpus ${work}/artifacts)
  add_test(NAME ${name}
           COMMAND ${program} -max_total_time=30 -timeout=10 -max_len=${F_MAX_LEN}
                   -rss_limit_mb=2048 -print_final_stats=1
                   -artifact_prefix=${work}/artifacts/ ${work}/corpus ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# velmo_wine_test(<name> SOURCES <...> LIBS <...> [RESOURCES <...>]
#                 [LOCALE <locale>] [TIMEOUT <s>] [ARGS <...>])
# A GoogleTest executable built for 32-bit Windows (win32-tests build) and
# run as one ctest test under Wine in a fresh prefix with a virtual display.
# ARGS are further wine-run.sh options, e.g. --prepare SCRIPT.
function(velmo_wine_test name)
  cmake_parse_arguments(T "" "LOCALE;TIMEOUT" "SOURCES;LIBS;RESOURCES;ARGS" ${ARGN})
  if(NOT VELMO_FLAVOUR STREQUAL "win32-tests")
    return()
  endif()
  if(NOT TARGET ${name})
    add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main gtest)
    target_include_directories(${name} PRIVATE ${VELMO_ROOT} ${VELMO_ROOT}/resources)
    velmo_test_pch(${name})
  endif()
  if(NOT T_LOCALE)
    set(T_LOCALE en_US.UTF-8)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  string(REGEX REPLACE "[._-]UTF-8$" "" loc ${T_LOCALE})
  velmo_add_wine_run(${name}.${loc} ${T_LOCALE} ${T_TIMEOUT} wine ${T_ARGS}
                     -- $<TARGET_FILE:${name}>)
endfunction()

# velmo_e2e_test(<Suite.Scenario> [LOCALE <locale>] [TIMEOUT <s>] [ARGS <...>]
#                [SETUP <Setup.exe> AS <name> REQUIRES <fixture>])
# One end-to-end scenario of tests/e2e (a GoogleTest case of e2e.exe) run in
# a fresh prefix of its own against the win32 build's Setup.exe. The scenario
# finds the setup in the environment variable VELMO_SETUP, the folders the
# payload was packed from in VELMO_PAYLOAD_SOURCES (programs, committed
# texts, generated data; "|" between them) and the packed streams in
# VELMO_PAYLOAD_PACKED.
#   ARGS      further wine-run.sh options, e.g. --env NAME=VALUE
#   SETUP     the Setup.exe of another win32 build (its payload with it),
#             registered as e2e.<name>.<locale> and run after the test that
#             sets up the fixture REQUIRES
function(velmo_e2e_test scenario)
  cmake_parse_arguments(T "" "LOCALE;TIMEOUT;SETUP;AS;REQUIRES" "ARGS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "velmo_e2e_test(${scenario}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT VELMO_FLAVOUR STREQUAL "win32-tests")
    return()
  endif()
  # One scenario by its full name: e2e.exe fails a run of a plain name that
  # did not run exactly that scenario, and tests/e2e compares the names
  # registered here with the TESTs of its sources.
  if(NOT scenario MATCHES "^[A-Za-z0-9_]+\\.[A-Za-z0-9_]+$")
    message(FATAL_ERROR "velmo_e2e_test(${scenario}): not a Suite.name of one scenario")
  endif()
  set_property(GLOBAL APPEND PROPERTY VELMO_E2E_SCENARIOS ${scenario})
  if(NOT T_LOCALE)
    set(T_LOCALE en_US.UTF-8)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(setup ${VELMO_SETUP_EXE})
  set(packed ${VELMO_PAYLOAD_DIR})
  set(name ${scenario})
  if(T_SETUP)
    set(setup ${T_SETUP})
    get_filename_component(packed ${T_SETUP} DIRECTORY)
    set(packed ${packed}/packed)
    set(name ${T_AS})
  endif()
  string(REGEX REPLACE "[._-]UTF-8$" "" loc ${T_LOCALE})
  get_filename_component(win32_build ${setup} DIRECTORY)
  set(sources "${win32_build}/payload/programs|${VELMO_ROOT}/payload|${win32_build}/payload/data")
  velmo_add_wine_run(e2e.${name}.${loc} ${T_LOCALE} ${T_TIMEOUT} e2e
                     --env VELMO_SETUP=${setup}
                     --env "VELMO_PAYLOAD_SOURCES=${sources}"
                     --env VELMO_PAYLOAD_PACKED=${packed} ${T_ARGS}
                     -- $<TARGET_FILE:e2e> --gtest_filter=${scenario})
  # ctest starts the costliest tests first: with the time limit as the
  # cost, the long scenarios do not begin at the end and hold up the run.
  set_tests_properties(e2e.${name}.${loc} PROPERTIES COST ${T_TIMEOUT})
  if(T_REQUIRES)
    set_property(TEST e2e.${name}.${loc} APPEND PROPERTY FIXTURES_REQUIRED ${T_REQUIRES})
  endif()
endfunction()

# Registers one ctest test that runs a Windows program through the harness.
function(velmo_add_wine_run testname locale timeout label)
  math(EXPR ctest_timeout "${timeout} + 60")
  set(cmd ${ARGN})
  if(NOT "--" IN_LIST cmd)
    list(PREPEND cmd --)
  endif()
  add_test(NAME ${testname}
           COMMAND ${VELMO_ROOT}/tests/harness/wine-run.sh
                   --template ${VELMO_WINE_TEMPLATE} --locale ${locale}
                   --timeout ${timeout} ${cmd})
  set_tests_properties(${testname} PROPERTIES
    FIXTURES_REQUIRED wine_template LABELS ${label} TIMEOUT ${ctest_timeout})
endfunction()

# The Wine prefix template of this build folder (tests/harness/wine-template.sh).
# One template serves all builds under the same build root.
get_filename_component(VELMO_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/../wine/template ABSOLUTE)
# The setup under test: the PE32 Setup.exe of the win32 build.
set(VELMO_SETUP_EXE "" CACHE FILEPATH "The Setup.exe of the win32 build, which the scenarios run")
if(VELMO_FLAVOUR STREQUAL "win32-tests" AND NOT EXISTS "${VELMO_SETUP_EXE}")
  message(FATAL_ERROR "VELMO_SETUP_EXE (${VELMO_SETUP_EXE}) must name the win32 build's Setup.exe; "
                      "build the win32 build first (tools/build.sh does)")
endif()
