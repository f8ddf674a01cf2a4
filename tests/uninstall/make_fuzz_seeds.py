#!/usr/bin/env python3
"""Writes seed logs for the log reader's fuzzing into the folder given."""
import struct
import sys
from pathlib import Path


def image(entries, product=b"Quorbex32"):
    pool = b""
    table = b""
    for kind, first, second in entries:
        table += struct.pack("<II", kind, len(pool))
        pool += first + b"\0"
        if kind >= 5:
            table += struct.pack("<I", len(pool))
            pool += second + b"\0"
        else:
            table += struct.pack("<I", 0)
    header = struct.pack("<III", 1, len(entries), len(pool)) + product.ljust(52, b"\0")
    return header + table + pool


SEEDS = {
    "installation": [
        (6, b"Software\\Ovalis\\Quorbex32\\", b""),
        (1, b"C:\\Menu\\Quorbex32", b""),
        (4, b"C:\\Program Files\\Quorbex32", b""),
        (3, b"C:\\Program Files\\Quorbex32\\quorbex.exe", b""),
        (2, b"C:\\Menu\\Quorbex32\\Quorbex32.lnk", b""),
        (5, b".zip", b""),
        (5, b"quorbex.zip", b""),
        (6, b"AppEvents\\EventLabels\\TORVQBOperationCompleteFail", b""),
        (7, b"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32", b""),
        (3, b"C:\\Program Files\\Quorbex32\\uninstal.l0g", b""),
    ],
    "value": [(7, b"Software\\Ovalis\\Settings", b"Last")],
    "empty": [],
}

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for name, entries in SEEDS.items():
    (out / name).write_bytes(image(entries))
