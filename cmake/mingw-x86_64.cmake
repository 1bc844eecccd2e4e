# Cross-builds a 64-bit build of the Windows program with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64-posix), for machines whose kernel runs no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOBBLE_MINGW_TRIPLET x86_64-w64-mingw32)
set(TOBBLE_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
