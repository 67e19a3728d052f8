# Cross toolchain: 64-bit Windows with mingw-w64's posix-threads compilers.
# Used only for the test programs on a machine whose kernel cannot run 32-bit
# Linux programs, where wine has no 32-bit side (scripts/test.sh picks it). The
# launcher that players get is the 32-bit build of toolchain-mingw-i686.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the cross-built test programs through wine (the wine session puts
# a "wine" that starts the 64-bit loader first on PATH).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
