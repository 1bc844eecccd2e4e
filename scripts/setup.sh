#!/usr/bin/env bash
# Installs the Debian 12 packages Tobble needs, by purpose. Each purpose is a list in
# scripts/packages/:
#   (none)       run: build and run the program; safe on a person's desktop
#   --tests      the Linux tests and the package (scripts/test-stages/10-linux.sh, 50-package.sh)
#   --hardening  sanitizers and fuzzing (20-sanitizers.sh, 30-fuzz.sh)
#   --windows    the Windows program and its tests under Wine (40-windows.sh)
#   --bench      the benchmarks (bench/run.sh)
#   --authoring  remaking the bundled character and the icons, code style
#   all          every purpose: what scripts/test.sh and CI need
# "run" is always included. Only missing packages are installed; nothing is removed.
set -euo pipefail
self=$(readlink -f "$0")
cd "$(dirname "$self")"

usage() {
    sed -n '2,11s/^# \{0,1\}//p' "$self" >&2
    exit 64
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Runs a 96-byte i386 program that exits with status 32. Some 64-bit kernels run no 32-bit code
# at all; only trying tells.
runs_32bit_programs() {
    local dir status=0
    dir=$(mktemp -d)
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xbb\x20\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' \
        >"$dir/probe"
    chmod +x "$dir/probe"
    "$dir/probe" 2>/dev/null || status=$?
    rm -rf "$dir"
    [ "$status" -eq 32 ]
}

purposes=(run)
for argument in "$@"; do
    case "$argument" in
    all) purposes+=(tests hardening windows bench authoring) ;;
    --tests | --hardening | --windows | --bench | --authoring) purposes+=("${argument#--}") ;;
    -h | --help) usage ;;
    *)
        echo "setup.sh: unknown purpose '$argument'" >&2
        usage
        ;;
    esac
done

lists=()
for purpose in "${purposes[@]}"; do
    lists+=("packages/$purpose.txt")
    if [ "$purpose" = windows ]; then
        if runs_32bit_programs; then
            echo "setup.sh: this machine runs 32-bit programs: the Windows tests use 32-bit Wine"
            lists+=(packages/windows-32.txt)
        else
            echo "setup.sh: this machine runs no 32-bit programs: the Windows tests use 64-bit Wine"
            lists+=(packages/windows-64.txt)
        fi
    fi
done

mapfile -t wanted < <(cat "${lists[@]}" | sed -e 's/#.*//' -e 's/[[:space:]]//g' | grep -v '^$' | sort -u)

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
