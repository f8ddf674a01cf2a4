#!/usr/bin/env python3
"""mksetup build -o SETUP.exe as a packager runs it: the finished program lists whole,
signs and verifies, a failed or interrupted build leaves the earlier output whole, the
resource folder is all or nothing, extract refuses dangerous folders and cleans up after
itself, and an installed mksetup finds its stubs and uninstallers.

usage: setup_program_test.py MKSETUP STUB BUILD_DIR WORKDIR"""
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

import small_product

MKSETUP, STUB, BUILD_DIR, WORK = sys.argv[1:5]

PRODUCT = small_product.DESCRIPTION


def run(*args, ok=True, **kw):
    result = subprocess.run(list(args), capture_output=True, text=True, **kw)
    if ok is not None:
        assert (result.returncode == 0) == ok, '%s -> %d\n%s%s' % (
            ' '.join(args), result.returncode, result.stdout, result.stderr)
    return result


def digest(path):
    with open(path, 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def product(folder, text='hello\n'):
    return small_product.write_small_product(folder, text)


def build(description, out, *extra, ok=True):
    return run(MKSETUP, 'build', description, '-o', out, '--iterations', '1', *extra, ok=ok)


def test_finished_program_lists_whole(description):
    out = os.path.join(WORK, 'small-setup.exe')
    build(description, out, '--stub', STUB)
    listing = run(MKSETUP, 'list', out).stdout
    for line in ['payload CRC: [0-9A-F]{8} matches', 'file checksum: [0-9A-F]{8} matches',
                 'resource checksums: match', 'signature: none', 'files: 2']:
        assert re.search('^' + line + '$', listing, re.M), line + '\n' + listing
    # A changed byte of the payload is seen by the file's checksum and the records.
    data = bytearray(open(out, 'rb').read())
    at = data.find(b'Small Setup')  # in CONFIG 2
    assert at > 0
    data[at] ^= 0x20
    damaged = os.path.join(WORK, 'damaged.exe')
    open(damaged, 'wb').write(data)
    listing = run(MKSETUP, 'list', damaged, ok=False).stdout
    assert re.search('^file checksum: [0-9A-F]{8}, the file adds up to', listing, re.M), listing
    assert 'differs from its CHECKSUM record' in listing, listing
    print('finished program lists whole; a changed byte is seen')


def test_signed_program_verifies(description):
    keys = os.path.join(WORK, 'keys')
    os.makedirs(keys, exist_ok=True)
    key, cert, pfx = (os.path.join(keys, n) for n in ('key.pem', 'cert.pem', 'cert.pfx'))
    password = os.path.join(keys, 'password')
    with open(password, 'w') as f:
        f.write('throwaway\n')
    run('openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key, '-out', cert,
        '-days', '2', '-subj', '/CN=Setup Test Signer', '-addext', 'extendedKeyUsage=codeSigning')
    run('openssl', 'pkcs12', '-export', '-inkey', key, '-in', cert, '-out', pfx, '-passout', 'pass:throwaway')
    out = os.path.join(WORK, 'signed-setup.exe')
    build(description, out, '--stub', STUB, '--sign', pfx, '--password-file', password)
    verified = run('osslsigncode', 'verify', '-CAfile', cert, '-in', out).stdout
    listing = run(MKSETUP, 'list', out).stdout
    ours = re.search('^file checksum: ([0-9A-F]{8}) matches$', listing, re.M)
    assert ours and 'MISMATCH' not in verified, listing + verified
    assert re.search('PE checksum *: ' + ours.group(1), verified), verified
    assert re.search(r'^signature: present \(\d+ bytes\)$', listing, re.M), listing
    assert re.search('^file checksum: [0-9A-F]{8} matches$', listing, re.M), listing
    data = bytearray(open(out, 'rb').read())
    data[len(data) // 3] ^= 0x01
    changed = os.path.join(WORK, 'signed-changed.exe')
    open(changed, 'wb').write(data)
    run('osslsigncode', 'verify', '-CAfile', cert, '-in', changed, ok=False)
    # A wrong password fails the build and leaves the earlier program.
    before = digest(out)
    with open(password, 'w') as f:
        f.write('wrong\n')
    result = build(description, out, '--stub', STUB, '--sign', pfx, '--password-file', password, ok=False)
    assert 'signing with' in result.stderr, result.stderr
    assert digest(out) == before
    print('signed program verifies; a changed byte does not')


def test_failed_and_interrupted_builds_keep_the_earlier_program(description):
    out = os.path.join(WORK, 'kept-setup.exe')
    build(description, out, '--stub', STUB)
    before = digest(out)
    folder = os.path.dirname(description)
    os.rename(os.path.join(folder, 'a.txt'), os.path.join(folder, 'a.moved'))
    result = build(description, out, '--stub', STUB, ok=False)
    assert "no such file 'a.txt'" in result.stderr, result.stderr
    os.rename(os.path.join(folder, 'a.moved'), os.path.join(folder, 'a.txt'))
    assert digest(out) == before

    # Killed while compressing: the earlier program stays, no temporary file is left.
    process = subprocess.Popen([MKSETUP, 'build', description, '-o', out, '--stub', STUB,
                                '--iterations', '500'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    process.send_signal(signal.SIGTERM)
    process.wait(timeout=60)
    assert process.returncode != 0
    assert digest(out) == before
    leftovers = [n for n in os.listdir(WORK) if n.startswith('.kept-setup.exe')]
    assert not leftovers, leftovers

    # A stub of the wrong architecture is named.
    result = build(description, out, '--stub', STUB, '--arch', 'i686', ok=False)
    assert 'built for x86_64, not i686' in result.stderr, result.stderr
    assert digest(out) == before
    print('failed and interrupted builds keep the earlier program')


def test_resource_folder_is_all_or_nothing(description):
    out = os.path.join(WORK, 'resources')
    build(description, out)
    names = sorted(os.listdir(out))
    # Its registrations are its own, so CONFIG 3 is among them.
    assert names == ['archive.bin', 'checksum.bin', 'config.bin', 'product-data.bin', 'product.rc',
                     'strings-1033.bin', 'strings-1041.bin'], names
    script = open(os.path.join(out, 'product.rc')).read()
    assert '1 CHECKSUM "%s/checksum.bin"' % out in script, script
    assert '3 CONFIG "%s/product-data.bin"' % out in script, script
    # The last file cannot be replaced: the others are put back as they were.
    os.remove(os.path.join(out, 'product.rc'))
    os.makedirs(os.path.join(out, 'product.rc', 'inside'))
    before = {n: digest(os.path.join(out, n)) for n in names if n != 'product.rc'}
    with open(os.path.join(os.path.dirname(description), 'a.txt'), 'w') as f:
        f.write('changed\n')
    result = build(description, out, ok=False)
    assert 'product.rc' in result.stderr, result.stderr
    after = {n: digest(os.path.join(out, n)) for n in names if n != 'product.rc'}
    assert after == before, 'a failed build changed the folder'
    assert sorted(os.listdir(out)) == names, sorted(os.listdir(out))
    print('resource folder is all or nothing')


def test_extract_refuses_and_cleans_up(description):
    setup = os.path.join(WORK, 'small-setup.exe')
    for folder, message in [('', 'not an empty name'), ('/', 'root folder'), ('//', 'root folder')]:
        result = run(MKSETUP, 'extract', setup, folder, ok=False)
        assert message in result.stderr, (folder, result.stderr)
    # The second file's folder is taken by a file: the first one is removed again.
    out = os.path.join(WORK, 'extracted')
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(os.path.join(out, 'Destination'))
    open(os.path.join(out, 'Destination', 'data'), 'w').close()
    result = run(MKSETUP, 'extract', setup, out, ok=False)
    assert 'cannot write' in result.stderr, result.stderr
    assert sorted(os.listdir(os.path.join(out, 'Destination'))) == ['data']
    print('extract refuses empty and root folders and removes a failed extraction')


def test_installed_mksetup_finds_its_stub(description):
    prefix = os.path.join(WORK, 'prefix')
    shutil.rmtree(prefix, ignore_errors=True)
    run('cmake', '--install', BUILD_DIR, '--prefix', prefix)
    installed = os.path.join(prefix, 'bin', 'mksetup')
    for path in [installed, os.path.join(prefix, 'lib', 'mksetup', 'setup-stub-x86_64.exe'),
                 os.path.join(prefix, 'share', 'man', 'man1', 'mksetup.1')]:
        assert os.path.isfile(path), path
    out = os.path.join(WORK, 'made', 'here', 'installed-setup.exe')  # folders made as needed
    run(installed, 'build', description, '-o', out, '--arch', 'x86_64', '--iterations', '1')
    run(installed, 'list', out)
    result = run(installed, 'build', description, '-o', out, '--iterations', '1', ok=False)
    assert 'no setup program for i686: looked for' in result.stderr, result.stderr
    print('an installed mksetup finds its stub')

    # A description that asks for the uninstaller gets the installed one, for the stub's
    # architecture; a mksetup with none beside it says where it looked.
    uninstaller = os.path.join(prefix, 'lib', 'mksetup', 'uninstaller-x86_64.exe')
    assert os.path.isfile(uninstaller), uninstaller
    with_uninstaller = os.path.join(os.path.dirname(description), 'with-uninstaller.toml')
    with open(with_uninstaller, 'w', encoding='utf-8') as f:
        f.write('uninstaller = true\n' + PRODUCT)
    run(installed, 'build', with_uninstaller, '-o', out, '--arch', 'x86_64', '--iterations', '1')
    listing = run(installed, 'list', out).stdout
    assert re.search(r'^ +\d+  \$\(Destination\)\\uninstaller\.exe  components: Main$', listing, re.M), listing
    assert 'Uninstall entry: yes' in listing, listing
    extracted = os.path.join(WORK, 'with-uninstaller')
    shutil.rmtree(extracted, ignore_errors=True)
    run(installed, 'extract', out, extracted)
    assert digest(os.path.join(extracted, 'Destination', 'uninstaller.exe')) == digest(uninstaller)
    result = build(with_uninstaller, os.path.join(WORK, 'none.exe'), '--stub', STUB, ok=False)
    assert 'no uninstaller for x86_64: looked for' in result.stderr, result.stderr
    assert '--uninstaller FILE' in result.stderr, result.stderr
    print('an installed mksetup adds its uninstaller')


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    description = product(os.path.join(WORK, 'product'))
    test_finished_program_lists_whole(description)
    test_signed_program_verifies(description)
    test_failed_and_interrupted_builds_keep_the_earlier_program(description)
    test_extract_refuses_and_cleans_up(description)
    test_installed_mksetup_finds_its_stub(description)
    test_resource_folder_is_all_or_nothing(description)


if __name__ == '__main__':
    main()
