#!/usr/bin/env python3
"""Builds nothing: lists and extracts a built setup program with mksetup and compares
every extracted file with its source in the product description.

usage: roundtrip.py MKSETUP SETUP.exe PRODUCT.toml WORKDIR [SEARCH_FOLDER ...]"""
import os
import re
import shutil
import subprocess
import sys
import tomllib


def main():
    mksetup, setup, description, work = sys.argv[1:5]
    folders = [os.path.dirname(description)] + sys.argv[5:]
    with open(description, 'rb') as f:
        product = tomllib.load(f)
    files = product.get('files', [])

    listing = subprocess.run([mksetup, 'list', setup], capture_output=True, text=True)
    print(listing.stdout)
    assert listing.returncode == 0, listing.stderr
    assert re.search(r'^payload CRC: [0-9A-F]{8} matches$', listing.stdout, re.M), 'CRC line'
    assert 'files: %d' % len(files) in listing.stdout
    assert 'components: %d' % len(product.get('components', [])) in listing.stdout
    assert 'path pages: %d' % len(product.get('path_pages', [])) in listing.stdout
    assert 'strings, Japanese (1041)' in listing.stdout

    out = os.path.join(work, 'extracted')
    shutil.rmtree(out, ignore_errors=True)
    extract = subprocess.run([mksetup, 'extract', setup, out], capture_output=True, text=True)
    assert extract.returncode == 0, extract.stderr
    for entry in files:
        source = next(os.path.join(d, entry['source']) for d in folders
                      if os.path.isfile(os.path.join(d, entry['source'])))
        relative = re.sub(r'\$\((\w+)\)', r'\1', entry['target']).replace('\\', '/')
        with open(source, 'rb') as a, open(os.path.join(out, relative), 'rb') as b:
            assert a.read() == b.read(), '%s differs from %s' % (relative, source)
    print('%d files extracted and equal to their sources' % len(files))


if __name__ == '__main__':
    main()
