#!/usr/bin/python3
"""Checks tobble.exe itself: a Windows program of its own (PE32, or PE32+ for the 64-bit build)
that needs no MinGW DLL, with its version record, icon, microphone pointer and manifest."""
import struct
import sys

import pefile


def main(exe):
    pe = pefile.PE(exe)
    failed = []

    def check(name, ok, detail=""):
        print(f"{'PASS' if ok else 'FAIL'}  {name}" + (f"  ({detail})" if detail else ""))
        if not ok:
            failed.append(name)

    kind = {(0x14C, 0x10B): "PE32 for i386", (0x8664, 0x20B): "PE32+ for x86-64"}.get(
        (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic))
    check("a Windows program: PE32 (or PE32+ from the 64-bit build)", kind, kind)
    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    check("needs no MinGW DLL", not [d for d in imports if d.startswith(
        ("libstdc++", "libgcc", "libwinpthread"))], ", ".join(imports))

    fixed = pe.VS_FIXEDFILEINFO[0]
    strings, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings[table.LangID.decode().lower()] = {
                    k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            translations += [v for var in info.Var for v in var.entry.values()]
    table = strings.get("040904b0", {})
    check("version record 1.00, U.S. English, Unicode",
          (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS) == (0x10000, 0,
                                                                                  0x10000)
          and table.get("FileVersion") == table.get("ProductVersion") == "1.00"
          and table.get("ProductName") == "Tobble"
          and any(str(t).lower().split() == ["0x0409", "0x04b0"] for t in translations),
          f"{table} {translations}")

    kinds = {k.id: k for k in pe.DIRECTORY_ENTRY_RESOURCE.entries}

    def group(kind):
        """The entries (width, height, bits) of the first icon or cursor group."""
        if kind not in kinds:
            return []
        data = kinds[kind].directory.entries[0].directory.entries[0].data.struct
        raw = pe.get_data(data.OffsetToData, data.Size)
        return [struct.unpack_from("<BBBBHH", raw, 6 + 14 * i)
                for i in range(struct.unpack_from("<H", raw, 4)[0])]

    icons = [(w or 256, h or 256, bits) for w, h, _, _, _, bits in group(14)]  # RT_GROUP_ICON
    check("its icon has a 32 x 32, 256-colour image", (32, 32, 8) in icons, icons)
    check("the microphone pointer in 2 versions", len(group(12)) == 2)  # RT_GROUP_CURSOR
    check("a manifest", 24 in kinds)  # RT_MANIFEST
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
