#!/usr/bin/env python3
"""Writes the English string table as C++ data for programs built without resources.

usage: string_table.py STRINGS.rc IDS.h OUT.inc
"""
import re
import sys


def main():
    rc_path, ids_path, out_path = sys.argv[1:4]
    ids = {}
    for m in re.finditer(r'^#define\s+(\w+)\s+(\d+)', open(ids_path, encoding='utf-8').read(), re.M):
        ids[m.group(1)] = int(m.group(2))
    entries = []
    body = open(rc_path, encoding='utf-8').read().split('STRINGTABLE', 1)[1]
    for m in re.finditer(r'^\s*(\w+)\s*,\s*"((?:[^"\\]|\\.|"")*)"\s*$', body, re.M):
        key, text = m.group(1), m.group(2)
        number = int(key) if key.isdigit() else ids[key]
        entries.append((number, text.replace('""', '\\"')))
    with open(out_path, 'w', encoding='utf-8') as out:
        out.write('// Generated from %s; do not edit.\n' % rc_path.split('/')[-1])
        for number, text in sorted(entries):
            out.write('{%d, "%s"},\n' % (number, text))


if __name__ == '__main__':
    main()
