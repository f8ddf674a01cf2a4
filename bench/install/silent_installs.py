#!/usr/bin/env python3
"""Silent installations of real setup programs under Wine: time per run and per file,
and the calls each file costs.

  silent_installs.py --build BUILD --stub STUB --mksetup MKSETUP --restub RESTUB
                     [--repetitions N] [--no-calls] [--rebuild] [--products A,B,...]
                     [--against OTHER_STUB] [--peer]

Each product is compressed once with mksetup and kept in BUILD/bench-install/products;
each run puts its product on the current stub (restub) first, so the figures are those
of the setup program built now. The runs go to one fresh Wine prefix whose wineserver
stays up, alternating between the products, each as

  wine setup.exe /S /NORESTART /D=C:\\bench\\<product>-<n>

with its exit code and installed files checked. Per file is the difference of the
median runs of a product and of the one-file product, divided by the files added.

With --peer every product is also made into an established installer's 64-bit setup
program (makensis, Debian's package nsis, with its default compression: Deflate per
file) that installs the same files into the same kind of folder; its silent runs
alternate with ours in the same prefix, and the report sets each figure beside the
peer's.
"""

import argparse
import collections
import os
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

import products

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WINE_ENV = os.path.join(ROOT, "cmake", "wine-env.sh")

PRODUCTS = {
    "files-1": lambda: products.small_files(1),
    "files-100": lambda: products.small_files(100),
    "files-2000": lambda: products.small_files(2000),
    "sample": products.sample_size,
    "large": products.large,
}
BASELINE = "files-1"
AGAINST = " (against)"
PEER = " (peer)"
RUNS_PER_ROUND = {"files-1": 6, "files-100": 6, "sample": 2}
PER_FILE = ("files-100", "files-2000")
GOAL_GROWTH = 1.3
GOAL_CALLS = 100


def fail(message):
    sys.exit(f"install bench: {message}")


def mksetup_version(mksetup):
    out = subprocess.run([mksetup, "--version"], capture_output=True, text=True, check=True)
    return out.stdout.strip()


def makensis_version():
    out = subprocess.run(["makensis", "-VERSION"], capture_output=True, text=True, check=True)
    return out.stdout.strip()


def peer_script(product):
    """The peer's script: the product's files under the folder /D= names, nothing else
    (no uninstaller, no registry), which is less than our setup program does."""
    return "\n".join([
        "Unicode true",
        "Target amd64-unicode",
        f'Name "Bench {product.name}"',
        'OutFile "peer.exe"',
        f'InstallDir "$PROGRAMFILES64\\Bench\\{product.name}"',
        "RequestExecutionLevel admin",
        "Section",
        '  SetOutPath "$INSTDIR"',
        '  File /r "files\\*"',
        "SectionEnd",
    ]) + "\n"


def built_programs(product, cache, mksetup, stub, rebuild, peer):
    """The product compressed by mksetup on whatever stub was current, and with peer
    the peer's setup program of the same files; each made when the files or its
    builder's version changed, or when asked. {"ours": path, "peer": path}."""
    folder = os.path.join(cache, product.name)
    wanted = {"ours": ("built.exe", f"{product.key()} {mksetup_version(mksetup)}")}
    if peer:
        wanted["peer"] = ("peer.exe", f"{product.key()} {makensis_version()}")
    programs = {}
    missing = []
    for kind, (name, stamp) in wanted.items():
        programs[kind] = os.path.join(folder, name)
        stamp_path = os.path.join(folder, f"{kind}.stamp")
        current = os.path.exists(programs[kind]) and os.path.exists(stamp_path)
        if current:
            with open(stamp_path) as f:
                current = f.read() == stamp
        if rebuild or not current:
            missing.append(kind)
    if not missing:
        return programs
    print(f"making {product.name} ({product.title}): its files, then"
          f" {' and '.join(missing)}", flush=True)
    started = time.monotonic()
    for kind in missing:
        for leftover in (programs[kind], os.path.join(folder, f"{kind}.stamp")):
            if os.path.exists(leftover):
                os.remove(leftover)
    shutil.rmtree(os.path.join(folder, "files"), ignore_errors=True)
    products.write_product(product, folder)
    if "ours" in missing:
        subprocess.run([mksetup, "build", os.path.join(folder, "product.toml"), "-o",
                        programs["ours"], "--stub", stub],
                       check=True, stdout=subprocess.DEVNULL)
    if "peer" in missing:
        with open(os.path.join(folder, "peer.nsi"), "w", encoding="utf-8") as f:
            f.write(peer_script(product))
        subprocess.run(["makensis", "-V1", "peer.nsi"], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL)
    shutil.rmtree(os.path.join(folder, "files"))  # the programs hold them now
    for kind in missing:
        with open(os.path.join(folder, f"{kind}.stamp"), "w") as f:
            f.write(wanted[kind][1])
    print(f"  {time.monotonic() - started:.0f} s", flush=True)
    return programs


def program_on_stub(built, stub, restub, name):
    program = os.path.join(os.path.dirname(built), name)
    subprocess.run([restub, built, stub, program], check=True)
    return program


class Prefix:
    """A fresh Wine prefix of the benchmark's own, on a virtual display."""

    def __init__(self, state):
        self.state = state
        subprocess.run([WINE_ENV, "start", state], check=True, stdout=subprocess.DEVNULL)
        self.path = os.path.join(state, "wine", "prefix")
        with open(os.path.join(state, "wine", "display")) as f:
            display = f.read().strip()
        self.env = dict(os.environ, WINEPREFIX=self.path, DISPLAY=display, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("WINELOADER", None)
        self.env.pop("WINESERVER", None)
        # A server that stays between the runs, as on a running Windows, instead of one
        # started (with its services) by each run.
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        self.runs = 0

    def stop(self):
        subprocess.run([WINE_ENV, "stop", self.state], stdout=subprocess.DEVNULL)

    def helper_cpu(self):
        """CPU seconds used so far by the prefix's lasting processes: the wineserver
        and the services it started."""
        tick = os.sysconf("SC_CLK_TCK")
        marker = f"WINEPREFIX={self.path}".encode()
        total = 0
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                with open(f"/proc/{pid}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            total += int(fields[11]) + int(fields[12])  # utime, stime
        return total / tick

    def install(self, program, prefix_command=()):
        """One silent installation into a new folder: (wall s, cpu s, exit code,
        the folder on this side)."""
        self.runs += 1
        name = f"{os.path.basename(os.path.dirname(program))}-{self.runs}"
        folder = os.path.join(self.path, "drive_c", "bench", name)
        command = [*prefix_command, "wine", program, "/S", "/NORESTART", f"/D=C:\\bench\\{name}"]
        helpers = self.helper_cpu()
        started = time.perf_counter()
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        process.returncode = os.waitstatus_to_exitcode(status)
        cpu = usage.ru_utime + usage.ru_stime + self.helper_cpu() - helpers
        return wall, cpu, process.returncode, folder


def check_installed(product, folder, code):
    """The files of the product under folder, each of its size; fails the benchmark
    otherwise. Returns how many files the folder holds."""
    if code != 0:
        fail(f"{product.name}: the setup program exited with {code}, not 0")
    found = 0
    for _, _, names in os.walk(folder):
        found += len(names)
    for path, size, _ in product.files:
        target = os.path.join(folder, *path.split("\\"))
        if not os.path.isfile(target) or os.path.getsize(target) != size:
            fail(f"{product.name}: {path} is missing or of the wrong size after exit code 0")
    return found


def remove(folder):
    shutil.rmtree(folder, ignore_errors=True)


def time_runs(prefix, programs, repetitions):
    """Runs every product once to warm up, then repetitions rounds. A round runs each
    product once, and the short ones again in further passes, since a few milliseconds
    per file are a small part of their time; the order turns from round to round, and
    every other round it runs backwards.
    {name: [(wall, cpu)]}."""
    times = collections.defaultdict(list)
    installed = {}
    names = list(programs)
    for round_ in range(repetitions + 1):
        started = time.monotonic()
        shift = round_ % len(names)
        turned = names[shift:] + names[:shift]
        # Every other round backwards: a run that follows another's large writes and
        # deletion is not always the same one (a product and its peer stand side by side).
        if round_ % 2:
            turned.reverse()
        passes = max(RUNS_PER_ROUND.values()) if round_ else 1
        for pass_ in range(passes):
            for name in turned:
                product, program = programs[name]
                if pass_ >= RUNS_PER_ROUND.get(product.name, 1):
                    continue
                wall, cpu, code, folder = prefix.install(program)
                installed[name] = check_installed(product, folder, code)
                remove(folder)
                if round_ > 0:
                    times[name].append((wall, cpu))
        label = f"round {round_}" if round_ else "warm-up round (not counted)"
        print(f"  {label}: {time.monotonic() - started:.0f} s", flush=True)
    return times, installed


def per_file(times, name, count, against=""):
    """(median run - median one-file run) / added files, wall and cpu."""
    def median(samples, which):
        return statistics.median(sample[which] for sample in samples)
    baseline = times[BASELINE + against]
    return tuple((median(times[name + against], i) - median(baseline, i)) / (count - 1)
                 for i in (0, 1))


def strace_counts(prefix, program):
    """System calls of one installation, by name, on every thread of the wine process
    (not the wineserver's, which answers them)."""
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as out:
        _, _, code, folder = prefix.install(program, ("strace", "-f", "-c", "-o", out.name))
        remove(folder)
        if code != 0:
            fail(f"{program}: exit code {code} under strace")
        counts = {}
        for line in out.read().splitlines():
            fields = line.split()
            # % time, seconds, usecs/call, calls, [errors,] syscall
            if len(fields) >= 5 and fields[3].isdigit() and fields[-1] != "total":
                counts[fields[-1]] = int(fields[3])
        return counts


def image_range(program):
    """The addresses the program is loaded at: (base, end)."""
    with open(program, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x20B:
        base = struct.unpack_from("<Q", data, optional + 24)[0]
    else:
        base = struct.unpack_from("<I", data, optional + 28)[0]
    size = struct.unpack_from("<I", data, optional + 56)[0]
    return base, base + size


CALL = re.compile(rb"Call ([\w.]+)\(.*\) ret=([0-9a-f]+)$")
C_RUNTIME = ("msvcrt.", "ucrtbase.")


def relay_counts(prefix, program):
    """Calls that the program's own code makes into Windows, by name, from Wine's
    relay log; the C runtime's functions apart, under "C runtime"."""
    base, end = image_range(program)
    counts = collections.Counter()
    prefix.runs += 1
    name = f"relay-{prefix.runs}"
    process = subprocess.Popen(["wine", program, "/S", "/NORESTART", f"/D=C:\\bench\\{name}"],
                               env=dict(prefix.env, WINEDEBUG="+relay"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for line in process.stderr:
        match = CALL.search(line.rstrip())
        if match and base <= int(match.group(2), 16) < end:
            call = match.group(1).decode()
            counts["C runtime" if call.startswith(C_RUNTIME) else call] += 1
    code = process.wait()
    remove(os.path.join(prefix.path, "drive_c", "bench", name))
    if code != 0:
        fail(f"{program}: exit code {code} under the relay log")
    return counts


def count_calls(prefix, programs):
    """{kind: {name: counts}} for the baseline and the per-file products, and the
    peer's system calls when it runs too. The relay log is read at 100 files only:
    it names the same calls per file at 2,000 and takes more than a minute there."""
    result = {"system": {}, "windows": {}, "system" + PEER: {}}
    for name in (BASELINE, *PER_FILE):
        started = time.monotonic()
        program = programs[name][1]
        result["system"][name] = strace_counts(prefix, program)
        if name != PER_FILE[-1]:
            result["windows"][name] = relay_counts(prefix, program)
        if name + PEER in programs:
            result["system" + PEER][name] = strace_counts(prefix, programs[name + PEER][1])
        print(f"  calls of {name} counted: {time.monotonic() - started:.0f} s", flush=True)
    return result


def calls_per_file(counts, name, count):
    """(total, [(call, per file)] largest first) beyond the baseline's run; the C
    runtime is listed but not counted."""
    base = counts[BASELINE]
    per = {call: (n - base.get(call, 0)) / (count - 1) for call, n in counts[name].items()}
    total = sum(n for call, n in per.items() if call != "C runtime")
    return total, sorted(per.items(), key=lambda item: -item[1])


def variants_of(programs):
    """The suffixes of the variants timed: ours (""), and the other stub or the peer."""
    return [""] + [suffix for suffix in (AGAINST, PEER)
                   if any(name.endswith(suffix) for name in programs)]


def report(programs, times, installed, calls, repetitions, against):
    def medians(name):
        return (statistics.median(w for w, _ in times[name]),
                statistics.median(c for _, c in times[name]))

    print()
    print(f"silent installations under wine64 in {repetitions} rounds, medians"
          " (cpu: the setup process and the prefix's wineserver and services)")
    print(f"{'product':<32} {'files':>6} {'MB':>7} {'runs':>5} {'wall ms':>9} {'cpu ms':>9}"
          f" {'installed':>10}")
    for name, (product, _) in programs.items():
        wall, cpu = medians(name)
        suffix = next((s for s in (AGAINST, PEER) if name.endswith(s)), "")
        title = product.title + suffix
        print(f"{title:<32} {len(product.files):>6} {product.total_bytes() / 1e6:>7.2f}"
              f" {len(times[name]):>5} {1000 * wall:>9.0f} {1000 * cpu:>9.0f} {installed[name]:>10}")
    print("  (installed: the files in the folder afterwards, the uninstall log included)")
    if against:
        print(f"  ({AGAINST.strip()}: on {against})")
    variants = variants_of(programs)
    if PEER in variants:
        print()
        print(f"against the peer{PEER} (makensis {makensis_version()}, default compression;"
              " goal: at most 1.00x)")
        for name, (product, _) in programs.items():
            if name + PEER not in programs:
                continue
            (wall, cpu), (peer_wall, peer_cpu) = medians(name), medians(name + PEER)
            # The runs of one round and pass stand side by side, so their ratios show how
            # far the machine's own drift moves the figure.
            paired = [w / p for (w, _), (p, _) in zip(times[name], times[name + PEER])]
            print(f"  {product.title:<30} {wall / peer_wall:6.2f}x wall  {cpu / peer_cpu:6.2f}x cpu"
                  f"   side by side: {statistics.median(paired):.2f}x"
                  f" ({min(paired):.2f}-{max(paired):.2f})")

    if any(name not in programs for name in (BASELINE, *PER_FILE)):
        return
    for variant in variants:
        if any(name + variant not in programs for name in (BASELINE, *PER_FILE)):
            continue
        print()
        print(f"per file{variant}, 4 KB files in one folder, beyond the one-file product's"
              " median run:")
        figures = {}
        for name in PER_FILE:
            count = len(programs[name][0].files)
            figures[name] = per_file(times, name, count, variant)
            wall, cpu = figures[name]
            print(f"  at {count:>5,} files: {1000 * wall:6.3f} ms wall  {1000 * cpu:6.3f} ms cpu")
        (wall100, cpu100), (wall2000, cpu2000) = (figures[n] for n in PER_FILE)
        print(f"  2,000 / 100:     {wall2000 / wall100:6.2f}x wall  {cpu2000 / cpu100:6.2f}x cpu"
              f"   (goal: at most {GOAL_GROWTH}x)")

    if calls is None:
        return
    titles = {"system": "system calls per file (strace -f -c of the wine process)",
              "windows": "Windows API calls per file made by the setup program's code"
                         " (relay log; the C runtime not counted)",
              "system" + PEER: f"the peer's system calls per file{PEER}"}
    for kind, title in titles.items():
        if not calls[kind]:
            continue
        print()
        print(f"{title}, beyond the one-file product's run (goal: at most {GOAL_CALLS}):")
        for name in PER_FILE:
            if name not in calls[kind]:
                continue
            count = len(programs[name][0].files)
            total, ranked = calls_per_file(calls[kind], name, count)
            largest = ", ".join(f"{call} {n:.1f}" for call, n in ranked[:8] if n >= 0.05)
            print(f"  at {count:>5,} files: {total:7.1f}   largest: {largest}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", required=True, help="the win64 build folder")
    parser.add_argument("--stub", required=True, help="the setup program without a product")
    parser.add_argument("--mksetup", required=True)
    parser.add_argument("--restub", required=True)
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--no-calls", action="store_true", help="skip counting the calls")
    parser.add_argument("--rebuild", action="store_true",
                        help="compress every product again")
    parser.add_argument("--against", metavar="STUB",
                        help="also time every product on this other stub (or setup"
                             " program), alternating with the current one")
    parser.add_argument("--peer", action="store_true",
                        help="also time an established installer's setup program of the"
                             " same files (makensis), alternating with ours")
    parser.add_argument("--products", default=",".join(PRODUCTS),
                        help="which of them (default: %(default)s)")
    args = parser.parse_args()
    if args.repetitions < 1:
        fail("--repetitions needs at least 1")
    if not args.no_calls and shutil.which("strace") is None:
        fail("strace is missing (apt-get install strace), or pass --no-calls")

    state = os.path.join(os.path.abspath(args.build), "bench-install")
    cache = os.path.join(state, "products")
    chosen = []
    for name in args.products.split(","):
        if name not in PRODUCTS:
            fail(f"no product {name!r}; there are {', '.join(PRODUCTS)}")
        chosen.append(PRODUCTS[name]())
    if args.peer and shutil.which("makensis") is None:
        fail("makensis is missing (apt-get install nsis), or leave out --peer")
    programs = {}
    for product in chosen:
        built = built_programs(product, cache, args.mksetup, args.stub, args.rebuild, args.peer)
        programs[product.name] = (product, program_on_stub(built["ours"], args.stub,
                                                           args.restub, "setup.exe"))
        if args.against:
            programs[product.name + AGAINST] = (
                product, program_on_stub(built["ours"], args.against, args.restub, "against.exe"))
        if args.peer:
            programs[product.name + PEER] = (product, built["peer"])

    print("starting a fresh Wine prefix", flush=True)
    prefix = Prefix(state)
    try:
        times, installed = time_runs(prefix, programs, args.repetitions)
        measurable = all(name in programs for name in (BASELINE, *PER_FILE))
        calls = count_calls(prefix, programs) if measurable and not args.no_calls else None
    finally:
        prefix.stop()
    report(programs, times, installed, calls, args.repetitions, args.against)


if __name__ == "__main__":
    main()
