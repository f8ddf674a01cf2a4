#!/usr/bin/env python3
"""Where the bytes of a Windows program go.

    size_report.py PROGRAM [--limit BYTES]

Prints the file's sections as stored (each padded to the file alignment), its
resources by type, each picture, icon and animation, and a summary of code, art,
dialogs and strings. With --limit it exits 1 when the file is larger. Reads the
file alone (no tools), so it runs wherever Python does.
"""

import argparse
import struct
import sys

TYPE_NAMES = {
    1: "CURSOR", 2: "BITMAP", 3: "ICON", 4: "MENU", 5: "DIALOG", 6: "STRING", 9: "ACCELERATOR",
    10: "RCDATA", 12: "GROUP_CURSOR", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST",
}
ART_TYPES = ("BITMAP", "PICTURE", "ICON", "GROUP_ICON", "AVI")

# Which part of the program each section holds, for the summary.
SECTION_PARTS = {
    ".text": "code", ".rdata": "code", ".data": "code", ".bss": "code", ".idata": "imports",
    ".rsrc": "resources", ".reloc": "relocations", ".eh_fram": "unwind tables",
    ".eh_frame": "unwind tables", ".pdata": "unwind tables", ".xdata": "unwind tables",
    ".CRT": "code", ".tls": "code",
}


class BadImage(Exception):
    pass


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise BadImage("truncated at offset %d" % offset)
    return struct.unpack_from(fmt, data, offset)


def read_sections(data):
    """The headers' size, the file alignment, the resource directory's RVA and the
    sections as (name, rva, virtual size, raw offset, raw size)."""
    if data[:2] != b"MZ":
        raise BadImage("no MZ header")
    (pe,) = unpack("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise BadImage("no PE signature")
    _, count, _, _, _, optional_size, _ = unpack("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    (magic,) = unpack("<H", data, optional)
    if magic not in (0x10B, 0x20B):
        raise BadImage("unknown optional header 0x%x" % magic)
    (file_alignment,) = unpack("<I", data, optional + 36)
    (headers,) = unpack("<I", data, optional + 60)
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, _ = unpack("<II", data, directories + 2 * 8)
    sections = []
    for i in range(count):
        entry = optional + optional_size + 40 * i
        raw_name, vsize, rva, raw_size, raw_offset = unpack("<8sIIII", data, entry)
        name = raw_name.rstrip(b"\0").decode("ascii", "replace")
        sections.append((name, rva, vsize, raw_offset, raw_size))
    return headers, file_alignment, resource_rva, sections


def read_resources(data, resource_rva, sections):
    """Every resource as (type name, name, language, bytes); names are numbers or strings."""
    base = None
    for name, rva, vsize, raw_offset, raw_size in sections:
        if rva <= resource_rva < rva + max(vsize, raw_size):
            base, delta = raw_offset + resource_rva - rva, raw_offset - rva
    if base is None:
        return []

    def label(value):
        if value & 0x80000000:
            offset = base + (value & 0x7FFFFFFF)
            (length,) = unpack("<H", data, offset)
            return data[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
        return value

    def entries(offset):
        named, numbered = unpack("<HH", data, offset + 12)
        for i in range(named + numbered):
            yield unpack("<II", data, offset + 16 + 8 * i)

    found = []
    for type_id, type_dir in entries(base):
        kind = label(type_id)
        kind = TYPE_NAMES.get(kind, kind) if isinstance(kind, int) else kind
        for name_id, name_dir in entries(base + (type_dir & 0x7FFFFFFF)):
            for language, leaf in entries(base + (name_dir & 0x7FFFFFFF)):
                rva, size, _, _ = unpack("<IIII", data, base + leaf)
                if rva + delta + size > len(data):
                    raise BadImage("resource %s %s outside the file" % (kind, label(name_id)))
                found.append((kind, label(name_id), language, size))
    return found


def describe(path, limit):
    with open(path, "rb") as handle:
        data = handle.read()
    headers, alignment, resource_rva, sections = read_sections(data)
    resources = read_resources(data, resource_rva, sections)
    total = len(data)
    out = []
    out.append("%s: %s bytes (%.1f KB)" % (path, format(total, ","), total / 1024.0))

    out.append("sections (as stored, padded to %d bytes):" % alignment)
    parts = {"headers": headers}
    out.append("  %-10s %8s" % ("headers", format(headers, ",")))
    accounted = headers
    for name, _, vsize, _, raw_size in sections:
        raw_size = -(-raw_size // alignment) * alignment
        part = SECTION_PARTS.get(name, "other")
        parts[part] = parts.get(part, 0) + raw_size
        accounted += raw_size
        out.append("  %-10s %8s   %-14s %8s in memory" %
                   (name, format(raw_size, ","), part, format(vsize, ",")))
    if total > accounted:
        parts["appended"] = total - accounted
        out.append("  %-10s %8s" % ("appended", format(total - accounted, ",")))

    by_type = {}
    for kind, _, _, size in resources:
        count, sum_bytes = by_type.get(kind, (0, 0))
        by_type[kind] = (count + 1, sum_bytes + size)
    rsrc = parts.get("resources", 0)
    out.append("resources by type (bytes of data; .rsrc holds %s):" % format(rsrc, ","))
    for kind, (count, sum_bytes) in sorted(by_type.items(), key=lambda item: -item[1][1]):
        out.append("  %-12s %3d  %8s" % (kind, count, format(sum_bytes, ",")))
    data_bytes = sum(size for _, _, _, size in resources)
    out.append("  %-12s      %8s" % ("directory", format(rsrc - data_bytes, ",")))

    out.append("art:")
    for kind, name, language, size in resources:
        if kind in ART_TYPES:
            out.append("  %-12s %-6s %8s" % (kind, name, format(size, ",")))

    art = sum(size for kind, _, _, size in resources if kind in ART_TYPES)
    dialogs = by_type.get("DIALOG", (0, 0))[1]
    strings = by_type.get("STRING", (0, 0))[1]
    summary = [("code and data", parts.get("code", 0)), ("art and animation", art),
               ("dialogs", dialogs), ("strings", strings),
               ("other resources", data_bytes - art - dialogs - strings),
               ("resource directory", rsrc - data_bytes), ("imports", parts.get("imports", 0)),
               ("relocations", parts.get("relocations", 0)),
               ("unwind tables", parts.get("unwind tables", 0)), ("headers", headers)]
    rest = total - sum(size for _, size in summary)
    summary.append(("other", rest))
    out.append("summary:")
    for label, size in summary:
        if size:
            out.append("  %-20s %8s  %5.1f KB" % (label, format(size, ","), size / 1024.0))
    if limit is not None:
        verdict = "within" if total <= limit else "OVER"
        out.append("%s the limit of %s bytes by %s" %
                   (verdict, format(limit, ","), format(abs(limit - total), ",")))
    return "\n".join(out), limit is None or total <= limit


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--limit", type=int, help="fail when the file is larger (bytes)")
    args = parser.parse_args()
    try:
        text, within = describe(args.program, args.limit)
    except (OSError, BadImage) as error:
        print("size_report: %s: %s" % (args.program, error), file=sys.stderr)
        return 2
    print(text)
    return 0 if within else 1


if __name__ == "__main__":
    sys.exit(main())
