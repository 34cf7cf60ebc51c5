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


def carrier_table_size(map_path):
    """The size of the input section that holds the carrier table in the
    linked program, and the output section it went into."""
    output_section = None
    last_input = None  # (size, object)
    with open(map_path, encoding="utf-8", errors="replace") as map_file:
        lines = map_file.read().split("\n")
    for index, line in enumerate(lines):
        match = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s*$", line)
        if match:
            output_section = match.group(1)
            continue
        match = re.match(r"^ \S+\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if not match and re.match(r"^ \S+\s*$", line) and index + 1 < len(lines):
            match = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", lines[index + 1])
        if match:
            last_input = (int(match.group(1), 16), int(match.group(2), 16), match.group(3))
            continue
        symbol = re.match(r"^\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if symbol and symbol.group(2).strip() == CARRIER_TABLE and last_input is not None:
            if int(symbol.group(1), 16) == 0:
                continue  # the list of discarded sections
            return last_input[1], output_section, os.path.basename(last_input[2])
    sys.exit(f"{CARRIER_TABLE} not found in {map_path}")


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

    table_size, table_section, table_object = carrier_table_size(map_path)
    section_sizes = {name: virtual_size for name, virtual_size, _ in sections}
    print(f"Carrier table ({CARRIER_TABLE} from {table_object}, per the linker's map)")
    print(f"  {table_size} bytes in {table_section}: {share(table_size, total)} of the file, "
          f"{share(table_size, section_sizes.get(table_section, table_size))} of {table_section}")
    rest = total - table_size
    print(f"  everything else (code, runtime, resources, headers): {rest} bytes, {share(rest, total)}")
    code = sum(raw for name, _, raw in sections if name in (".text", ".pdata", ".xdata"))
    resources = sum(raw for name, _, raw in sections if name == ".rsrc")
    print(f"    of which code with its unwind tables (.text, .pdata, .xdata) {code}, resources (.rsrc) {resources}")
    print()

    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
    print(f"Archive: {os.path.basename(zip_path)}, {os.path.getsize(zip_path)} bytes")
    print(f"  {'size':>10} {'packed':>10}  entry")
    for entry in entries:
        print(f"  {entry.file_size:>10} {entry.compress_size:>10}  {entry.filename}")


if __name__ == "__main__":
    main()
