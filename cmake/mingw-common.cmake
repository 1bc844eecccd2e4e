# What both Windows builds share; the toolchain file that includes this names
# TOBBLE_MINGW_TRIPLET and TOBBLE_WINEARCH (the Wine prefix made while configuring).
set(CMAKE_SYSTEM_NAME Windows)

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
# width from its header; the prefix made while configuring, before any program exists, has the
# build's own width.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
set(ENV{TOBBLE_WINEARCH} ${TOBBLE_WINEARCH})
