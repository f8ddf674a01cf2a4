"""The products the installation benchmark installs: their files, made the same way on
every machine from a fixed seed, and their descriptions for mksetup."""

import hashlib
import os
import random

# Changing how files are made changes this, so that cached products are made again.
CORPUS_VERSION = "1"

WORDS = (
    "archive folder file extract compress volume header record table entry index "
    "stream window buffer length offset checksum signature version product setup "
    "install program component shortcut registry value key string resource dialog "
    "the a of to and in is for with on by from that this when each every none"
).split()


def text_like(rng, size):
    """Bytes that compress about as well as documentation and source text."""
    out = bytearray()
    while len(out) < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 12)))
        out += f"{line} {rng.randint(0, 99999)}.\r\n".encode()
    return bytes(out[:size])


def program_like(rng, size):
    """Half text, half bytes that do not compress, as in a program with its art."""
    half = size // 2
    return text_like(rng, half) + rng.randbytes(size - half)


class Product:
    """name: folder and program name; files: (relative path, size, maker) in order."""

    def __init__(self, name, title, files):
        self.name = name
        self.title = title
        self.files = files

    def key(self):
        layout = repr([(path, size, maker.__name__) for path, size, maker in self.files])
        return hashlib.sha256((CORPUS_VERSION + layout).encode()).hexdigest()[:16]

    def total_bytes(self):
        return sum(size for _, size, _ in self.files)


def small_files(count):
    """count files of 4 KB in one folder: the cost of one file, and how it grows."""
    return Product(f"files-{count}", f"{count:,} file{'s' if count > 1 else ''} of 4 KB",
                   [(f"file{i:04d}.dat", 4096, text_like) for i in range(count)])


def sample_size():
    """Six files, 3.4 MB, as large as the sample product's payload is meant to be."""
    return Product("sample", "sample-size payload", [
        ("program.exe", 2_400_000, program_like),
        ("engine.dll", 600_000, program_like),
        ("manual.txt", 260_000, text_like),
        ("formats.txt", 100_000, text_like),
        ("readme.txt", 30_000, text_like),
        ("license.txt", 20_000, text_like),
    ])


def large():
    """2,000 files, 100 MB, in 20 folders of 100; sizes vary around 52 KB."""
    total = 100 * 1024 * 1024
    count = 2000
    rng = random.Random(2000)
    weights = [rng.uniform(0.2, 1.8) for _ in range(count)]
    scale = total / sum(weights)
    sizes = [int(w * scale) for w in weights]
    sizes[-1] += total - sum(sizes)
    files = []
    for i, size in enumerate(sizes):
        maker = program_like if i % 3 == 0 else text_like
        files.append((f"part{i // 100:02d}\\file{i:04d}.dat", size, maker))
    return Product("large", "2,000 files / 100 MB", files)


def description(product):
    """The product's description for mksetup, with its files beside it."""
    lines = [
        'company = "Benchmark"',
        f'product = "Bench {product.name}"',
        'main_program = "program.exe"',
        'version = "1.0.0.0"',
        f'window_title = "Bench {product.name} Setup"',
        f'program_folder = "Bench {product.name}"',
        "",
        "[[components]]",
        'id = "all"',
        'name = "Everything"',
        "image = 0",
        "",
        "[[setup_types]]",
        'name = "Typical"',
        'description = "Everything."',
        "icon = 111",
        'components = ["all"]',
        "",
        "[[setup_types]]",
        'name = "Custom"',
        'description = "Everything, chosen."',
        "icon = 113",
        'components = ["all"]',
        "custom = true",
        "",
        "[[path_pages]]",
        'variable = "Destination"',
        f"default = '$(ProgramFilesDir)\\Bench\\{product.name}'",
        'text = "Where the files go."',
        'components = ["all"]',
    ]
    for path, _, _ in product.files:
        source = path.replace("\\", "/")
        lines += ["", "[[files]]", f'source = "files/{source}"',
                  f"target = '$(Destination)\\{path}'", 'components = ["all"]']
    return "\n".join(lines) + "\n"


def write_product(product, folder):
    """Writes the files and product.toml under folder."""
    for index, (path, size, maker) in enumerate(product.files):
        rng = random.Random(f"{product.name}/{index}")
        target = os.path.join(folder, "files", *path.split("\\"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(maker(rng, size))
    with open(os.path.join(folder, "product.toml"), "w", encoding="utf-8") as f:
        f.write(description(product))
