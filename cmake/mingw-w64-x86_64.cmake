# Cross-building for 64-bit Windows with Debian's mingw-w64, POSIX thread model (so std::thread
# works). Libraries are looked up only in CMAKE_FIND_ROOT_PATH (scripts/windows.sh passes the
# dependency cache there) and in the toolchain's own folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program fully static: libgcc, libstdc++ and winpthread included, so it needs no MinGW DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
