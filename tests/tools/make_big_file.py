#!/usr/bin/env python3
"""Writes a deterministic file of several decoder windows: text runs that compress
and noisy runs that barely do.  usage: make_big_file.py OUT SIZE"""
import random
import sys

out, size = sys.argv[1], int(sys.argv[2])
rng = random.Random(1951)
words = b'archive folder window stream block length distance literal setup'.split()
data = bytearray()
while len(data) < size:
    if rng.random() < 0.5:
        data += b' '.join(rng.choice(words) for _ in range(rng.randint(20, 400))) + b'\r\n'
    else:
        data += bytes(rng.getrandbits(8) for _ in range(rng.randint(100, 5000)))
with open(out, 'wb') as f:
    f.write(bytes(data[:size]))
