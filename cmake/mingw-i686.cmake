# Cross-builds the 32-bit Windows program with MinGW-w64 (Debian: g++-mingw-w64-i686-posix).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOBBLE_MINGW_TRIPLET i686-w64-mingw32)
set(TOBBLE_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
