#!/usr/bin/env python3
"""The layer check names an include that reaches up, and accepts the ones that do not."""
import subprocess
import sys
import tempfile
from pathlib import Path

CHECK = Path(__file__).resolve().parent / "check_layers.py"


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = Path(root) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        result = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return result.returncode, result.stdout


CASES = [
    # (what, files, expected exit code, text the report must hold)
    ("down and sideways", {"payload/a.cpp": '#include "system/b.h"\n#include "payload/c.h"\n',
                           "text/d.cpp": '#include "config/state.h"\n',
                           "tools/e.cpp": '#include "setup/f.h"\n'}, 0, ""),
    ("payload reaches ui", {"payload/a.cpp": '// x\n#include <windows.h>\n#include "ui/utility.h"\n'},
     1, "payload/a.cpp:3:"),
    ("config reaches setup", {"config/s.h": '#  include "setup/wizard.h"\n'}, 1, "config/s.h:1:"),
    ("tests are not product code", {"tests/t.cpp": '#include "setup/wizard.h"\n'}, 0, ""),
]

failed = 0
for what, files, code, text in CASES:
    got, out = run(files)
    if got != code or text not in out:
        print(f"FAIL {what}: exit {got}, output {out!r}")
        failed += 1
print(f"{len(CASES) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
