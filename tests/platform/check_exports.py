#!/usr/bin/env python3
"""Checks what a built library exports against the functions its header declares.

  check_exports.py pe  LIBRARY.dll --header H --macro M [--ordinals] [--same-address A B] [--imports DLL...]
  check_exports.py def FILE.def   --header H --macro M [--ordinals]
  check_exports.py elf LIBRARY.so --header H --macro M [--nm NM]

pe reads the export and import tables from the DLL's file (32- and 64-bit images); def reads a
module-definition file; elf reads the dynamic symbol table with nm -D. In every mode the exported
names must be exactly the functions that the header declares with the macro. --ordinals: the
exports are numbered 1..N in ascending byte order of their names. --same-address: two exports
are one routine. --imports: the only DLLs the image may import (letter case aside); the C
runtime's api-ms-win-crt-* sets are allowed besides. Prints every fault and exits 1 on any.
"""
import argparse
import re
import struct
import subprocess
import sys


def declared_names(header, macro):
    text = open(header, encoding="utf-8").read()
    return set(re.findall(r"\n" + re.escape(macro) + r" [^;(]*\b(\w+)\(", text))


class PeImage:
    """The parts of a PE file's export and import tables that the checks need."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path}: not a PE image")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        optional = pe + 24
        magic = self.u16(optional)
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]  # PE32, PE32+
        self.sections = []
        for i in range(sections):
            entry = optional + optional_size + 40 * i
            size, rva, raw_size, raw = struct.unpack_from("<IIII", self.data, entry + 8)
            self.sections.append((rva, max(size, raw_size), raw))
        self.export_dir = struct.unpack_from("<II", self.data, directories)
        self.import_dir = struct.unpack_from("<II", self.data, directories + 8)

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} outside every section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def exports(self):
        """{name: (ordinal, address RVA)} and the number of entries in the address table."""
        rva, size = self.export_dir
        if size == 0:
            return {}, 0
        base, functions, names, address_table, name_table, ordinal_table = struct.unpack_from(
            "<IIIIII", self.data, self.offset(rva) + 16)
        out = {}
        for i in range(names):
            name = self.string(self.u32(self.offset(name_table) + 4 * i))
            index = self.u16(self.offset(ordinal_table) + 2 * i)
            out[name] = (base + index, self.u32(self.offset(address_table) + 4 * index))
        return out, functions

    def imports(self):
        rva, size = self.import_dir
        dlls = []
        at = self.offset(rva) if size else None
        while at is not None:
            name_rva = self.u32(at + 12)
            if name_rva == 0:
                break
            dlls.append(self.string(name_rva))
            at += 20
        return dlls


def def_exports(path):
    """{name: (ordinal, None)} from the EXPORTS section of a module-definition file."""
    out = {}
    for line in open(path, encoding="ascii"):
        m = re.match(r"\s+(\w+)\s+@(\d+)\s*$", line)
        if m:
            out[m.group(1)] = (int(m.group(2)), None)
    return out


def elf_exports(path, nm):
    listing = subprocess.run([nm, "-D", "--defined-only", path], check=True, capture_output=True, text=True).stdout
    out = {}
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[1] in "TWiVDBR":
            out[fields[2].split("@")[0]] = (None, int(fields[0], 16))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("format", choices=["pe", "def", "elf"])
    parser.add_argument("library")
    parser.add_argument("--header", required=True)
    parser.add_argument("--macro", required=True)
    parser.add_argument("--ordinals", action="store_true")
    parser.add_argument("--same-address", nargs=2, default=None)
    parser.add_argument("--imports", nargs="+", default=None)
    parser.add_argument("--nm", default="nm")
    args = parser.parse_args()

    faults = []
    public = declared_names(args.header, args.macro)
    if not public:
        faults.append(f"{args.header} declares nothing with {args.macro}")
    table_size = None
    if args.format == "pe":
        image = PeImage(args.library)
        exports, table_size = image.exports()
    elif args.format == "def":
        exports = def_exports(args.library)
    else:
        exports = elf_exports(args.library, args.nm)

    faults += [f"exported but not public: {n}" for n in sorted(set(exports) - public)]
    faults += [f"public but not exported: {n}" for n in sorted(public - set(exports))]
    if table_size is not None and table_size != len(exports):
        faults.append(f"{table_size} entries in the address table for {len(exports)} names")
    if args.ordinals:
        for ordinal, name in enumerate(sorted(exports, key=lambda n: n.encode()), 1):
            if exports[name][0] != ordinal:
                faults.append(f"{name}: ordinal {exports[name][0]}, expected {ordinal}")
    if args.same_address:
        a, b = args.same_address
        if a not in exports or b not in exports or exports[a][1] != exports[b][1]:
            faults.append(f"{a} and {b} are not one routine")
    if args.imports is not None and args.format == "pe":
        allowed = {d.lower() for d in args.imports}
        for dll in image.imports():
            if dll.lower() not in allowed and not dll.lower().startswith("api-ms-win-crt-"):
                faults.append(f"imports {dll}")

    for fault in faults:
        print(f"{args.library}: {fault}")
    print(f"{args.library}: {len(exports)} exports checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
