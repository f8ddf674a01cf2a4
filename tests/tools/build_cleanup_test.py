#!/usr/bin/env python3
"""mksetup build writes its payload to a file beside the output as it goes: a build
stopped while compressing, or failing after it, leaves the earlier output as it was and
no temporary file behind.

usage: build_cleanup_test.py MKSETUP WORKDIR"""
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import time

import small_product

MKSETUP, WORK = sys.argv[1:3]


def digests(folder):
    return {n: hashlib.sha256(open(os.path.join(folder, n), 'rb').read()).hexdigest()
            for n in sorted(os.listdir(folder))}


def interrupted(description, out):
    # The strongest encoder with many passes is still compressing when the signal comes.
    process = subprocess.Popen([MKSETUP, 'build', description, '-o', out, '--iterations', '500'],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    process.send_signal(signal.SIGTERM)
    process.wait(timeout=60)
    assert process.returncode != 0, process.returncode


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    # Large enough that the strongest encoder is still at work when the signal comes.
    description = small_product.write_small_product(
        os.path.join(WORK, 'product'), big=os.urandom(200000) * 4 + os.urandom(600000))

    # A resource folder: its archive is made in place under a temporary name.
    folder = os.path.join(WORK, 'resources')
    subprocess.run([MKSETUP, 'build', description, '-o', folder, '--iterations', '1'],
                   check=True, stdout=subprocess.DEVNULL)
    before = digests(folder)
    interrupted(description, folder)
    assert digests(folder) == before, sorted(os.listdir(folder))
    print('an interrupted build keeps the resource folder and leaves no temporary file')

    # A setup program: the payload goes to a scratch file beside it.
    programs = os.path.join(WORK, 'programs')
    os.makedirs(programs)
    out = os.path.join(programs, 'setup.exe')
    interrupted(description, out)
    assert os.listdir(programs) == [], os.listdir(programs)
    result = subprocess.run([MKSETUP, 'build', description, '-o', out, '--stub', os.path.join(WORK, 'no-stub.exe'),
                             '--iterations', '1'], capture_output=True, text=True)
    assert result.returncode != 0 and 'no-stub.exe' in result.stderr, result.stderr
    assert os.listdir(programs) == [], os.listdir(programs)
    # Folders the build made for its output go again with it.
    nested = os.path.join(WORK, 'new', 'deeper', 'setup.exe')
    result = subprocess.run([MKSETUP, 'build', description, '-o', nested, '--stub', os.path.join(WORK, 'no-stub.exe'),
                             '--iterations', '1'], capture_output=True, text=True)
    assert result.returncode != 0 and 'no-stub.exe' in result.stderr, result.stderr
    assert not os.path.exists(os.path.join(WORK, 'new')), os.listdir(os.path.join(WORK, 'new'))
    print('an interrupted or failed build of a setup program leaves nothing beside it, nor folders it made')


if __name__ == '__main__':
    main()
