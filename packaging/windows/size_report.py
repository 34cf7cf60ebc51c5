#!/usr/bin/env python3
"""The sizes part of the release's build record: the program's sections as
its PE section table gives them, the carrier table's share (from the linker's
map), the DLLs the program imports and the archive's entries.

Usage: size_report.py <ondavox.exe> <ondavox.map> <archive.zip> [objdump]
"""

import hashlib
import os
import re
import struct
import subprocess
import sys
import zipfile

CARRIER_TABLE = "carriers::CarrierTable"


def pe_sections(data):
    """(name, size in memory, size in the file) of each section, the size of
    the headers, and the header's time stamp and checksum."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    count, time_stamp = struct.unpack_from("<HI", data, header + 6)
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    optional = header + 24
    headers_size = struct.unpack_from("<I", data, optional + 60)[0]
    checksum = struct.unpack_from("<I", data, optional + 64)[0]
    sections = []
    table = optional + optional_size
    for index in range(count):
        entry = table + 40 * index
        name = data[entry:entry + 8].rstrip(b"\0").decode("ascii")
        virtual_size, _, raw_size = struct.unpack_from("<III", data, entry + 8)
        sections.append((name, virtual_size, raw_size))
    return sections, headers_size, time_stamp, checksum


def read_map(map_path):
    """The input sections the linker placed, as (output section, size,
    object), and the symbols it lists, as (name, index of the input section
    they lie in)."""
    placed = []
    symbols = []
    output_section = None
    with open(map_path, encoding="utf-8", errors="replace") as map_file:
        lines = map_file.read().split("\n")
    start = next((i for i, line in enumerate(lines) if line.startswith("Linker script and memory map")), 0)
    for index in range(start, len(lines)):
        line = lines[index]
        match = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s*$", line)
        if match:
            output_section = match.group(1)
            continue
        # " .name  0xaddress  0xsize  object", or the name alone with the rest
        # on the next line when the name is long.
        match = re.match(r"^ [^\s*]\S*\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if not match and re.match(r"^ [^\s*]\S*\s*$", line) and index + 1 < len(lines):
            match = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", lines[index + 1])
        if match:
            if int(match.group(1), 16) != 0 and output_section is not None:
                placed.append((output_section, int(match.group(2), 16), match.group(3).strip()))
            continue
        symbol = re.match(r"^\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if symbol and placed and int(symbol.group(1), 16) != 0:
            symbols.append((symbol.group(2).strip(), len(placed) - 1))
    return placed, symbols


def origin(linked_object):
    """Where a linked object comes from, in the words of licenses/README.txt."""
    if re.search(r"libstdc\+\+\.a|libgcc(_eh)?\.a|libsupc\+\+", linked_object):
        return "GNU C++ runtime (libstdc++, libgcc)"
    if "libpthread.a" in linked_object or "winpthread" in linked_object:
        return "winpthreads"
    if linked_object.startswith("/"):
        return "mingw-w64 runtime and import libraries"
    if linked_object.endswith(".rc.res"):
        return "resources (res/ondavox.rc)"
    if "(" in linked_object or linked_object.endswith(".obj"):
        return "the program's own code and data"
    return "linker-made (import stubs, relocations)"


def imports(exe_path, objdump):
    output = subprocess.run([objdump, "-p", exe_path], check=True, capture_output=True, text=True).stdout
    return re.findall(r"DLL Name: (\S+)", output)


def share(part, whole):
    return f"{100.0 * part / whole:.1f} %"


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    exe_path, map_path, zip_path = sys.argv[1:4]
    objdump = sys.argv[4] if len(sys.argv) == 5 else "x86_64-w64-mingw32-objdump"
    with open(exe_path, "rb") as exe:
        data = exe.read()
    sections, headers_size, time_stamp, checksum = pe_sections(data)
    total = len(data)

    print(f"Program: {os.path.basename(exe_path)}, {total} bytes ({total / 1024 / 1024:.2f} MiB)")
    print(f"  SHA-256:          {hashlib.sha256(data).hexdigest()}")
    print(f"  PE time stamp:    {time_stamp}{' (none)' if time_stamp == 0 else ''}; checksum: {checksum}")
    print(f"  imports:          {', '.join(imports(exe_path, objdump))}")
    print()
    print("Sections (from the PE section table; the file's sections are padded to 512 bytes)")
    print(f"  {'section':10} {'in memory':>10} {'in the file':>12} {'of the file':>12}")
    print(f"  {'(headers)':10} {'':>10} {headers_size:>12} {share(headers_size, total):>12}")
    for name, virtual_size, raw_size in sections:
        print(f"  {name:10} {virtual_size:>10} {raw_size:>12} {share(raw_size, total):>12}")
    print(f"  {'total':10} {'':>10} {total:>12}")
    print()

    placed, symbols = read_map(map_path)
    found = [index for name, index in symbols if name == CARRIER_TABLE]
    if len(found) != 1:
        sys.exit(f"{CARRIER_TABLE} is not in {map_path} once")
    table_section, table_size, table_object = placed[found[0]]
    section_sizes = {name: virtual_size for name, virtual_size, _ in sections}
    print(f"Carrier table ({CARRIER_TABLE}, the {table_section} of {os.path.basename(table_object)},")
    print("per the linker's map)")
    print(f"  {table_size} bytes: {share(table_size, total)} of the file, "
          f"{share(table_size, section_sizes.get(table_section, table_size))} of {table_section}")
    rest = total - table_size
    print(f"  the rest of the file (code, runtime, resources, headers): {rest} bytes, {share(rest, total)}")
    print()

    # What the file's sections hold, by where it comes from (.bss takes no
    # room in the file; the sections' padding is not counted).
    by_origin = {}
    for section, size, linked_object in placed:
        if section == ".bss" or section_sizes.get(section) is None:
            continue
        key = "the carrier table" if (section, size, linked_object) == placed[found[0]] else origin(linked_object)
        by_origin[key] = by_origin.get(key, 0) + size
    print("Bytes in the file's sections by origin (per the linker's map, without padding)")
    for key, size in sorted(by_origin.items(), key=lambda item: -item[1]):
        print(f"  {size:>10}  {share(size, total):>7}  {key}")
    print()

    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
    print(f"Archive: {os.path.basename(zip_path)}, {os.path.getsize(zip_path)} bytes")
    print(f"  {'size':>10} {'packed':>10}  entry")
    for entry in entries:
        print(f"  {entry.file_size:>10} {entry.compress_size:>10}  {entry.filename}")


if __name__ == "__main__":
    main()
