#!/usr/bin/env python3
"""Time of `mksetup build` on a product of 2,000 files and 100 MB, beside libdeflate-gzip -12
on the same stream.

usage: build_bench.py MKSETUP WORKDIR [mksetup options...]

The corpus is made once in WORKDIR/corpus, the same bytes on every machine: program-like
code, text, tables, pictures and already compressed data in files from 1 KB to a few MB.
"""
import os
import random
import shutil
import subprocess
import sys
import time

FILES = 2000
TOTAL = 100_000_000
SEED = 20


def zipf_weights(n):
    return [1.0 / (i + 1) for i in range(n)]


def code_like(rng, size):
    # Instructions: a few hundred opcode sequences, most of them rare, with operands.
    fragments = [rng.randbytes(rng.randint(1, 6)) for _ in range(600)]
    operands = [rng.randbytes(rng.choice((1, 2, 4))) for _ in range(3000)]
    pieces = rng.choices(fragments, zipf_weights(len(fragments)), k=size // 4 + 16)
    args = rng.choices(operands, zipf_weights(len(operands)), k=len(pieces))
    return b''.join(p + a for p, a in zip(pieces, args))[:size]


def text_like(rng, size):
    letters = 'etaoinshrdlucmfwypvbgkqjxz'
    vocabulary = [''.join(rng.choices(letters, zipf_weights(26), k=rng.randint(1, 11)))
                  for _ in range(8000)]
    words = rng.choices(vocabulary, zipf_weights(len(vocabulary)), k=size // 5 + 16)
    lines, line = [], []
    for w in words:
        line.append(w)
        if rng.random() < 0.08:
            lines.append(' '.join(line))
            line = []
    return ('\r\n'.join(lines)).encode()[:size].ljust(size, b' ')


def table_like(rng, size):
    rows, n, key = [], 0, rng.randint(0, 1 << 20)
    while n < size:
        key += rng.randint(1, 9)
        row = b'%d;%s;%d.%02d;%s\n' % (key, rng.choice((b'red', b'green', b'blue', b'none')),
                                       rng.randint(0, 9999), rng.randint(0, 99),
                                       rng.randbytes(2).hex().encode())
        rows.append(row)
        n += len(row)
    return b''.join(rows)[:size]


def picture_like(rng, size):
    width = rng.choice((64, 256, 640))
    rows, y = [], 0
    while len(rows) * width * 3 < size:
        base = bytes((x + y) & 0xFF for x in range(width))
        noise = rng.randbytes(width)
        rows.append(bytes(b ^ (n & 3) for b, n in zip(base, noise)) * 3)
        y += 1
    return b''.join(rows)[:size]


def compressed_like(rng, size):
    return rng.randbytes(size)


KINDS = [(code_like, 40), (text_like, 20), (table_like, 10), (picture_like, 10), (compressed_like, 20)]


def make_corpus(folder):
    stamp = os.path.join(folder, 'done')
    if os.path.exists(stamp):
        return sorted(n for n in os.listdir(folder) if n.endswith('.bin'))
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    rng = random.Random(SEED)
    raw = [rng.lognormvariate(0, 1.6) for _ in range(FILES)]
    scale = TOTAL / sum(raw)
    sizes = [max(1, int(r * scale)) for r in raw]
    sizes[-1] += TOTAL - sum(sizes)
    kinds = rng.choices([k for k, _ in KINDS], [w for _, w in KINDS], k=FILES)
    names = []
    for i, (size, kind) in enumerate(zip(sizes, kinds)):
        name = 'f%04d.bin' % i
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(kind(random.Random(SEED * 100000 + i), size))
        names.append(name)
    open(stamp, 'w').close()
    return names


def write_description(path, names):
    with open(path, 'w') as f:
        f.write('company = "Bench"\nproduct = "Bench"\nmain_program = "f0000.bin"\n'
                'window_title = "Bench Setup"\nprogram_folder = "Bench"\n\n'
                '[[components]]\nid = "all"\nname = "All"\ndescription = "Everything."\nimage = 0\n\n'
                '[[setup_types]]\nname = "Custom"\nicon = 113\ncomponents = ["all"]\ncustom = true\n\n'
                '[[path_pages]]\nvariable = "Destination"\ndefault = \'$(ProgramFilesDir)\\Bench\'\n'
                'text = "Where?"\ncomponents = ["all"]\n')
        for n in names:
            f.write('\n[[files]]\nsource = "corpus/%s"\ntarget = \'$(Destination)\\%s\'\n'
                    'components = ["all"]\n' % (n, n))


def timed(command, **kwargs):
    # The command's own usage: the children this process reaped before (the build that
    # run.sh ran ahead of it) would count in RUSAGE_CHILDREN.
    start = time.monotonic()
    process = subprocess.Popen(command, **kwargs)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise subprocess.CalledProcessError(code, command)
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    mksetup, work, options = sys.argv[1], sys.argv[2], sys.argv[3:]
    names = make_corpus(os.path.join(work, 'corpus'))
    description = os.path.join(work, 'product.toml')
    write_description(description, names)
    out = os.path.join(work, 'resources')
    wall, cpu, rss = timed([mksetup, 'build', description, '-o', out, *options], stdout=subprocess.DEVNULL)
    payload = os.path.getsize(os.path.join(out, 'archive.bin'))

    stream = os.path.join(work, 'stream.bin')
    with open(stream, 'wb') as f:
        for n in names:
            with open(os.path.join(work, 'corpus', n), 'rb') as part:
                shutil.copyfileobj(part, f)
    compressed = stream + '.gz'
    with open(compressed, 'wb') as f:
        peer_wall, peer_cpu, _ = timed(['libdeflate-gzip', '-12', '-c', stream], stdout=f)
    peer = os.path.getsize(compressed) - 18  # the gzip header and trailer around the raw stream
    os.remove(stream)
    os.remove(compressed)

    print('corpus: %d files, %d bytes' % (len(names), TOTAL))
    print('%-26s %8s %8s %12s %8s' % ('', 'wall s', 'CPU s', 'bytes', 'ratio'))
    print('%-26s %8.1f %8.1f %12d %8.4f' % ('mksetup build ' + ' '.join(options), wall, cpu,
                                            payload, payload / peer))
    print('%-26s %8.1f %8.1f %12d %8.4f' % ('libdeflate-gzip -12', peer_wall, peer_cpu, peer, 1.0))
    print('mksetup peak memory: %.0f MB' % rss)


if __name__ == '__main__':
    main()
