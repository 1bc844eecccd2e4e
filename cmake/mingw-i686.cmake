# Cross-builds the 32-bit Windows program with MinGW-w64 (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOBBLE_MINGW_TRIPLET i686-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER ${TOBBLE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOBBLE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOBBLE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOBBLE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Windows user unpacks the zip and double-clicks: no MinGW runtime DLL may be needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in a prefix of the build's own. The wrapper reads each program's
# width from its header; the prefix made while configuring, before any program exists, is win32.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
set(ENV{TOBBLE_WINEARCH} win32)
