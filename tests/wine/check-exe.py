#!/usr/bin/python3
"""Checks tobble.exe as a file, without running it.

Usage: check-exe.py --pe32 | --pe32+ TOBBLE.EXE

It must be a Windows GUI program of the given width (PE32: i386, PE32+: x86-64) that needs no
DLL but Windows' own; carry the version record 1.00 in U.S. English (040904B0); have the
window icon (32x32, 256 colours) as its first icon; have a manifest naming its own processor
architecture; and list each microphone pointer image in the cursor directory with its real
colour depth (Windows picks the image by the directory, so a 16-colour image listed as 1 bpp is
never chosen). Prints one line per check; exits 1 if any fails.
"""
import argparse
import struct
import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_CURSOR, RT_ICON, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 1, 3, 12, 14, 16, 24

# DLLs that every Windows since 7 ships; anything else would have to travel with the program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "winmm.dll",
               "msvcrt.dll", "advapi32.dll", "shell32.dll", "comctl32.dll", "ole32.dll",
               "oleaut32.dll", "comdlg32.dll", "ws2_32.dll", "shlwapi.dll", "version.dll"}

WIDTHS = {
    "pe32": {"magic": 0x10B, "machine": 0x14C, "manifest": "x86", "name": "PE32 for i386"},
    "pe32+": {"magic": 0x20B, "machine": 0x8664, "manifest": "amd64",
              "name": "PE32+ for x86-64"},
}


class Checks:
    def __init__(self):
        self.failed = 0

    def check(self, what, ok, detail=""):
        print(f"{'PASS' if ok else 'FAIL'}: {what}" + (f" ({detail})" if detail and not ok else ""))
        if not ok:
            self.failed += 1


def resources(pe, kind):
    """{resource id: data} of one type, first language of each."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for entry in root.entries if root else []:
        if entry.id != kind:
            continue
        for item in entry.directory.entries:
            language = item.directory.entries[0]
            key = item.id if item.id is not None else str(item.name)
            found[key] = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
    return found


def group_entries(data):
    """Entries of an icon or cursor group directory: (width, height, bit count, id)."""
    if len(data) < 6:
        return []
    count = struct.unpack_from("<H", data, 4)[0]
    entries = []
    for i in range(count):
        offset = 6 + 14 * i
        if offset + 14 > len(data):
            break
        a, b, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", data, offset)
        entries.append((a, b, bits, ident))
    return entries


def dib_bits(data, skip):
    """The bit count in the BITMAPINFOHEADER of an icon (skip 0) or cursor (skip 4) image."""
    if len(data) < skip + 16:
        return None
    return struct.unpack_from("<H", data, skip + 14)[0]


def check_width(checks, pe, width):
    want = WIDTHS[width]
    checks.check(f"exe is {want['name']}",
                 pe.FILE_HEADER.Machine == want["machine"]
                 and pe.OPTIONAL_HEADER.Magic == want["magic"],
                 f"machine {pe.FILE_HEADER.Machine:#x}, magic {pe.OPTIONAL_HEADER.Magic:#x}")
    checks.check("exe is a GUI program", pe.OPTIONAL_HEADER.Subsystem == 2,
                 f"subsystem {pe.OPTIONAL_HEADER.Subsystem}")


def check_imports(checks, pe):
    imports = sorted(entry.dll.decode().lower() for entry in
                     getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [dll for dll in imports if dll not in SYSTEM_DLLS]
    checks.check("exe imports only Windows' own DLLs", bool(imports) and not foreign,
                 "foreign: " + ", ".join(foreign) if foreign else "no imports")


def check_version(checks, pe):
    if not hasattr(pe, "VS_FIXEDFILEINFO") or not hasattr(pe, "FileInfo"):
        checks.check("version record present", False, "none")
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    checks.check("fixed file and product version 1.0.0.0",
                 (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
                  fixed.ProductVersionLS) == (0x10000, 0, 0x10000, 0))
    tables = {}
    translations = []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode().upper()] = {
                    k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations += [str(v).lower() for v in var.entry.values()]
    table = tables.get("040904B0")
    checks.check("version strings in U.S. English, Unicode (040904B0)", table is not None,
                 "tables: " + ", ".join(tables))
    table = table or {}
    checks.check("FileVersion and ProductVersion \"1.00\"",
                 table.get("FileVersion") == "1.00" and table.get("ProductVersion") == "1.00",
                 str(table))
    checks.check("translation 0x0409, code page 1200", "0x0409 0x04b0" in translations,
                 str(translations))


def check_icon(checks, pe):
    groups = resources(pe, RT_GROUP_ICON)
    icons = resources(pe, RT_ICON)
    entries = group_entries(next(iter(groups.values()))) if groups else []
    found = [e for e in entries if e[:3] == (32, 32, 8)]
    checks.check("first icon has a 32x32 256-colour image", bool(found),
                 str([e[:3] for e in entries]))
    if found:
        checks.check("that image is in the file, 8 bpp", dib_bits(icons.get(found[0][3], b""),
                                                                   0) == 8)


def check_cursor(checks, pe):
    groups = resources(pe, RT_GROUP_CURSOR)
    cursors = resources(pe, RT_CURSOR)
    entries = group_entries(next(iter(groups.values()))) if groups else []
    listed = sorted(bits for _, _, bits, _ in entries)
    checks.check("microphone pointer listed as 2-colour and 16-colour images", listed == [1, 4],
                 f"bit counts {listed}")
    real = [(bits, dib_bits(cursors.get(ident, b""), 4)) for _, _, bits, ident in entries]
    checks.check("each pointer image listed with its real colour depth",
                 bool(real) and all(listed_bits == actual for listed_bits, actual in real),
                 "listed/actual: " + ", ".join(f"{a}/{b}" for a, b in real))


def check_manifest(checks, pe, width):
    manifests = resources(pe, RT_MANIFEST)
    if not manifests:
        checks.check("manifest present", False, "none")
        return
    try:
        root = ElementTree.fromstring(next(iter(manifests.values())))
    except ElementTree.ParseError as error:
        checks.check("manifest is well-formed XML", False, str(error))
        return
    identity = root.find("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    arch = identity.get("processorArchitecture") if identity is not None else None
    want = WIDTHS[width]["manifest"]
    checks.check(f"manifest names processorArchitecture \"{want}\"", arch == want, str(arch))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    width = parser.add_mutually_exclusive_group(required=True)
    width.add_argument("--pe32", dest="width", action="store_const", const="pe32")
    width.add_argument("--pe32+", dest="width", action="store_const", const="pe32+")
    parser.add_argument("exe")
    args = parser.parse_args()
    try:
        pe = pefile.PE(args.exe)
    except (OSError, pefile.PEFormatError) as error:
        print(f"FAIL: {args.exe} is not a readable Windows program ({error})")
        return 1
    print(f"Checking {args.exe} as {WIDTHS[args.width]['name']}")
    checks = Checks()
    check_width(checks, pe, args.width)
    check_imports(checks, pe)
    check_version(checks, pe)
    check_icon(checks, pe)
    check_cursor(checks, pe)
    check_manifest(checks, pe, args.width)
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
