# Cross build for 64-bit Windows with Debian's mingw-w64, POSIX threads: the
# compiler tools/windows/build-qt.sh builds Qt with, which the program must
# share. Give the Qt folder as CMAKE_PREFIX_PATH (tools/windows/build.sh does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt lives outside that root, in the cache folder.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# ctest and the build's own steps run the Windows programs through Wine.
find_program(VARNO_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNO_WINE})
