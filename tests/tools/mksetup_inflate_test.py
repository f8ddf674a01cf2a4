"""mksetup inflate: decodes a raw Deflate file, prints the status line, exits with it."""
import os
import shutil
import subprocess
import sys
import zlib

tool, work = sys.argv[1], sys.argv[2]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

data = b"".join(b"line %d of the payload\r\n" % i for i in range(5000))
packer = zlib.compressobj(9, zlib.DEFLATED, -15)
stream = packer.compress(data) + packer.flush()

failures = []


def check(name, content, exit_code, line, expected_output):
    source = os.path.join(work, name + ".deflate")
    target = os.path.join(work, name + ".out")
    with open(source, "wb") as f:
        f.write(content)
    run = subprocess.run([tool, "inflate", source, target], capture_output=True)
    got = (run.returncode, run.stdout.decode())
    if got != (exit_code, line + "\n"):
        failures.append("%s: got %r, expected %r" % (name, got, (exit_code, line + "\n")))
    produced = open(target, "rb").read() if os.path.exists(target) else None
    if produced != expected_output:
        failures.append("%s: output file is %s" % (
            name, "missing" if produced is None else "%d bytes" % len(produced)))


check("whole", stream, 0, "status 0: No error", data)
# Cut short: the decoder reports the end it met, and no partial file is left.
check("cut", stream[: len(stream) // 2], 29,
      "status 29: Unexpected end of compressed data.", None)

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
