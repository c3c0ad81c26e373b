# The 32-bit Windows tests (win32-tests build): the same cross compiler with
# mingw's posix thread model, because GoogleTest needs std::mutex, which the
# win32 model of this mingw lacks. The product keeps the win32 model.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
