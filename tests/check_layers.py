#!/usr/bin/env python3
"""Fails when a folder of the program includes a folder of a layer above it.

The layers, from the bottom: resources, config and text; system; payload; ui; setup.
tools and bench stand beside the top and may include any of them. Each offending
include is named with its file and line.
"""
import re
import sys
from pathlib import Path

LAYERS = {
    "resources": 0, "config": 0, "text": 0,
    "system": 1,
    "payload": 2,
    "ui": 3,
    "setup": 4, "uninstall": 4,
    "tools": 5, "bench": 5,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')


def violations(root):
    for folder, layer in LAYERS.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".rc"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if match is None:
                    continue
                target = match.group(1)
                if target in LAYERS and LAYERS[target] > layer:
                    yield (f"{path.relative_to(root)}:{number}: {folder}/ (layer {layer}) "
                           f"includes {target}/ (layer {LAYERS[target]}): {line.strip()}")


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    found = list(violations(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) reach up a layer", file=sys.stderr)
        return 1
    print("layers: every include stays in its layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
