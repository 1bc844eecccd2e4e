#!/usr/bin/env bash
# The Windows program: cross-built with MinGW, the executable's own checks, its unit tests and
# the tests of the real tobble.exe under Wine (each with its own prefix, X server and sound
# server).
#
# The widest test this machine can run: where the kernel runs 32-bit code and 32-bit Wine is
# installed, the 32-bit tobble.exe itself under 32-bit Wine. Elsewhere the 32-bit tobble.exe is
# still built and checked as a file, and a 64-bit build of the same sources runs the same tests
# under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs=$(nproc)

# Runs a 96-byte static i386 Linux program that only exits with status 42. A kernel without
# 32-bit support refuses it ("Exec format error"); nothing else is guessed.
kernel_runs_32bit_code() {
    local dir status=0
    dir=$(mktemp -d)
    # ELF header, one loadable segment, then: mov ebx, 42; mov eax, 1 (exit); int 0x80.
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    elf+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    elf+='\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
    printf "$elf" >"$dir/exit42"
    chmod +x "$dir/exit42"
    "$dir/exit42" 2>/dev/null || status=$?
    rm -rf "$dir"
    [ "$status" -eq 42 ]
}

# Debian's wine32 package: the 32-bit loader and server.
wine32_installed() {
    [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wineserver32 ]
}

if kernel_runs_32bit_code && wine32_installed; then
    echo "== Windows stage: 32-bit tobble.exe, tests under 32-bit Wine (WINEARCH=win32)"
    cmake --preset mingw -DTOBBLE_BUILD_TESTS=ON
    cmake --build --preset mingw -j "$jobs"
    ctest --preset mingw # the exe's own checks (check-exe.py) and the installer's among them
    echo "== Windows stage done: the 32-bit tobble.exe passed its checks and tests under 32-bit Wine"
    exit 0
fi

if kernel_runs_32bit_code; then
    reason="32-bit Wine (wine32:i386) is not installed"
else
    reason="this kernel runs no 32-bit code (a 32-bit test program was refused)"
fi
echo "== Windows stage: $reason."
echo "== The 32-bit tobble.exe is built and checked as a file only; a 64-bit build of the same"
echo "== sources runs the unit tests and the tests of the program under 64-bit Wine (WINEARCH=win64)."

# The 32-bit program, its zip and its installer alone: its tests could not run here, so they
# are not built.
cmake --preset mingw -DTOBBLE_BUILD_TESTS=OFF
cmake --build --preset mingw -j "$jobs"
/usr/bin/python3 tests/wine/check-exe.py --pe32 build-mingw/bin/tobble.exe
# The installer is 32-bit code too: here only its kind can be checked.
setup=build-mingw/tobble-1.0-setup.exe
if file "$setup" | grep -q 'PE32 executable (GUI) Intel 80386.*Nullsoft Installer'; then
    echo "PASS: $setup is a 32-bit Nullsoft installer"
else
    echo "FAIL: $setup is not a 32-bit Nullsoft installer: $(file "$setup")"
    exit 1
fi

cmake --preset mingw64
cmake --build --preset mingw64 -j "$jobs"
ctest --preset mingw64 # the 64-bit exe's own checks among them
echo "== Windows stage done: 32-bit tobble.exe and its installer checked as files ($reason);"
echo "== the 64-bit build passed its checks and tests under 64-bit Wine"
