#!/usr/bin/python3
"""check-exe.py --pe32|--pe32+ TOBBLE.EXE: its width, imports, version, icon, pointer, manifest."""
import struct
import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_CURSOR, RT_ICON, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_MANIFEST = 1, 3, 12, 14, 24
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "winmm.dll",
               "msvcrt.dll", "advapi32.dll", "shell32.dll", "comctl32.dll", "ole32.dll",
               "oleaut32.dll", "comdlg32.dll", "ws2_32.dll", "shlwapi.dll", "version.dll"}
WIDTHS = {"pe32": (0x10B, 0x14C, "x86"), "pe32+": (0x20B, 0x8664, "amd64")}
failed = []


def check(what, ok, detail=""):
    print(f"{'PASS' if ok else 'FAIL'}: {what}" + ("" if ok else f" ({detail})"))
    failed.extend([] if ok else [what])


def resources(pe, kind):  # {id: data} of one resource type, first language of each
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    return {item.id: pe.get_data(item.directory.entries[0].data.struct.OffsetToData,
                                 item.directory.entries[0].data.struct.Size)
            for entry in (root.entries if root else []) if entry.id == kind
            for item in entry.directory.entries}


def group(pe, kind):  # (width, height, bits, id) of each image of the first icon or cursor group
    data = next(iter(resources(pe, kind).values()), b"\0" * 6)
    return [(a, b, bits, ident) for a, b, _, _, _, bits, _, ident in
            (struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
             for i in range(struct.unpack_from("<H", data, 4)[0]))]


def dib_bits(data, skip):  # the bit count of an icon (skip 0) or cursor (skip 4) image
    return struct.unpack_from("<H", data, skip + 14)[0] if len(data) >= skip + 16 else None


def main():
    (width, (magic, machine, arch)), exe = (w := sys.argv[1][2:], WIDTHS[w]), sys.argv[2]
    pe = pefile.PE(exe)
    check(f"{exe} is {width.upper()} for {arch}, a GUI program",
          (pe.OPTIONAL_HEADER.Magic, pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Subsystem)
          == (magic, machine, 2))
    dlls = {e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    check("imports only Windows' own DLLs", dlls and dlls <= SYSTEM_DLLS, dlls - SYSTEM_DLLS)
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    strings = {k.decode(): v.decode() for info in getattr(pe, "FileInfo", [[]])[0]
               if info.Key == b"StringFileInfo" for table in info.StringTable
               if table.LangID.decode().upper() == "040904B0" for k, v in table.entries.items()}
    check('version record 1.0.0.0, "1.00" in U.S. English (040904B0)', fixed and (
        fixed.FileVersionMS, fixed.FileVersionLS) == (0x10000, 0) and (strings.get(
            "FileVersion"), strings.get("ProductVersion")) == ("1.00", "1.00"), strings)
    icon = [ident for w, h, bits, ident in group(pe, RT_GROUP_ICON) if (w, h, bits) == (32, 32, 8)]
    check("first icon has a 32x32 256-colour image, 8 bpp in the file",
          icon and dib_bits(resources(pe, RT_ICON).get(icon[0], b""), 0) == 8)
    cursors = resources(pe, RT_CURSOR)
    listed = sorted((bits, dib_bits(data, 4), struct.unpack_from("<HH", data))
                    for _, _, bits, ident in group(pe, RT_GROUP_CURSOR)
                    for data in [cursors.get(ident, b"\0" * 4)])
    check("microphone pointer: 2- and 16-colour images listed with their real depths, hot spot "
          "16, 16", listed == [(1, 1, (16, 16)), (4, 4, (16, 16))], f"listed/actual/hot {listed}")

    manifest = next(iter(resources(pe, RT_MANIFEST).values()), b"<none/>")
    identity = ElementTree.fromstring(manifest).find(
        "{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    found = identity.get("processorArchitecture") if identity is not None else None
    check(f'manifest names processorArchitecture "{arch}"', found == arch, found)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
