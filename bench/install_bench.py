"""Install and build speed beside a peer installer (NSIS); run by
bench/install-bench.sh, which builds what this needs first.

    python3 bench/install_bench.py --out DIR --host-build DIR --win64-build DIR
                                   --win32-build DIR [--runs N] [--single-runs N]
                                   [--builder-rounds N] [--no-single] [--no-builder]
                                   [--tree DIR]

    AZ_BENCH_BASELINE=STUB   also measures a baseline installer: the same tree
                             packed with STUB (an azsetup.exe of another
                             checkout, either target), beside ours of the same
                             target, in the same rounds: before and after in
                             one run.
    --tree DIR               installs DIR instead of the standard tree (a tiny
                             one checks that the benchmark runs).

What it does, in order:
  1. generates the standard tree and a single 256 MiB file (bench_tree.py);
  2. packs each three ways: azpack with the win64 stub; NSIS (amd64-unicode
     stub) per-file zlib; NSIS solid zlib; plus an installer of each kind
     whose payload is empty;
  3. prepares a Wine prefix (the test template; X11 windows unmanaged, since
     Xvfb runs no window manager and Wine would wait for one);
  4. installs every kind into a fresh copy of that prefix, several rounds,
     interleaved in a rotating order, each timed as a whole process (from
     starting wine64 on the installer to its exit; Wine start-up included),
     with its peak resident memory; after each run the installed tree is
     compared with the source (not timed);
  5. in the same rounds, natively on the host: the payload's chunks decoded
     by our own payload code and written (native_floor decode), and a raw
     write of the tree's bytes (native_floor raw);
  6. the single 256 MiB file, fewer rounds: time and peak memory;
  7. the builder: azpack -j1 and -jN beside single-threaded zlib -9;
  8. the stripped stub sizes; then prints one table.
An update (the same tree installed again over itself, every file replaced
and the old one kept aside until the run ends) is timed with a running
server, beside the first installation.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, HERE)

import bench_tree  # noqa: E402
import builder_rate  # noqa: E402

WINE_COMMON = os.path.join(SOURCE, "cmake", "wine-common.sh")
OURS_FOLDER = "C:\\bench\\ours"
NSIS_FOLDER = "C:\\bench\\nsis"
# What an installer may leave in its folder beside the tree.
BY_PRODUCTS = {"ours": {"TAVUUNINSTALL.INI"}, "nsis": set()}


def log(text):
    print("install-bench: " + text, file=sys.stderr, flush=True)


def wine_shell(script, *args):
    subprocess.run(["sh", "-c", '. "$0"; ' + script, WINE_COMMON] + [str(a) for a in args],
                   check=True)


def wine_programs():
    out = subprocess.run(["sh", "-c", '. "$0"; echo "$WINE64"; echo "$WINESERVER"', WINE_COMMON],
                         check=True, capture_output=True, text=True).stdout.split("\n")
    return out[0], out[1]


# Packing ------------------------------------------------------------------

NSI = """Unicode true
Target amd64-unicode
SetCompressor {compressor}
Name "Bench"
OutFile "{out}"
InstallDir "{folder}"
RequestExecutionLevel user
Section
{body}SectionEnd
"""


def nsis_script(tree, out, solid):
    body = ""
    if tree is not None:
        body = '  SetOutPath "$INSTDIR"\n  File /r "%s/*"\n' % tree
    return NSI.format(compressor="/SOLID zlib" if solid else "zlib", out=out,
                      folder=NSIS_FOLDER, body=body)


def pack_nsis(pkg, name, tree, solid):
    """Builds pkg/name.exe with makensis unless an identical script already
    built it; returns (path, seconds or None when kept)."""
    out = os.path.join(pkg, name + ".exe")
    script = nsis_script(tree, out, solid)
    # A tree of one's own (--tree) has no generator's stamp: packed every time.
    tree_stamp = os.path.join(os.path.dirname(tree), bench_tree.STAMP) if tree else None
    stamp_text = script + ("" if tree is None else open(tree_stamp).read()
                           if os.path.exists(tree_stamp) else "unstamped %f" % time.time())
    stamp = out + ".stamp"
    if os.path.exists(out) and os.path.exists(stamp) and open(stamp).read() == stamp_text:
        return out, None
    nsi = os.path.join(pkg, name + ".nsi")
    with open(nsi, "w") as f:
        f.write(script)
    start = time.monotonic()
    subprocess.run(["makensis", "-V1", nsi], check=True, stdout=subprocess.DEVNULL)
    seconds = time.monotonic() - start
    with open(stamp, "w") as f:
        f.write(stamp_text)
    return out, seconds


def stub_is_i686(stub):
    """True for an i686 PE file, False for x86_64 (the machine field)."""
    with open(stub, "rb") as f:
        data = f.read(4096)
    at = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[at + 4:at + 6], "little") == 0x14C


def pack_ours(azpack, stub, pkg, name, tree):
    """A bare payload (pkg/name.az) without a stub, an installer with one."""
    out = os.path.join(pkg, name + (".exe" if stub else ".az"))
    command = [azpack, "build", tree, "-o", out, "--install-folder", OURS_FOLDER,
               "--product-name", "Bench", "--level", "9"]
    command += ["--stub", stub] if stub else ["--payload-only"]
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return out, time.monotonic() - start


# Checking -----------------------------------------------------------------

def digests(tree):
    result = {}
    for folder, _, files in os.walk(tree):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                result[os.path.relpath(path, tree)] = hashlib.sha1(f.read()).hexdigest()
    return result


def check_tree(expected, folder, by_products):
    """None when `folder` holds exactly the expected files, byte for byte
    (and nothing else but the by-products); else the first difference."""
    if not os.path.isdir(folder):
        return "%s is missing" % folder
    found = set()
    for path, digest in expected.items():
        full = os.path.join(folder, path)
        try:
            with open(full, "rb") as f:
                if hashlib.sha1(f.read()).hexdigest() != digest:
                    return "%s differs" % path
        except OSError:
            return "%s is missing" % path
        found.add(path)
    for sub, _, files in os.walk(folder):
        for name in files:
            rel = os.path.relpath(os.path.join(sub, name), folder)
            if rel not in found and rel not in by_products:
                return "unexpected file %s" % rel
    return None


# Running under Wine --------------------------------------------------------

class Xvfb:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"], pass_fds=(write_end,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        # The server writes the number and the newline separately: closing
        # the pipe before the newline arrives would kill it.
        data = b""
        while not data.endswith(b"\n"):
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            data += chunk
        os.close(read_end)
        if not data.strip():
            raise SystemExit("install-bench: Xvfb did not start")
        self.display = ":" + data.decode().strip()

    def close(self):
        self.process.terminate()
        self.process.wait()


class WineRunner:
    def __init__(self, out, xvfb):
        self.wine64, self.wineserver = wine_programs()
        self.template = os.path.join(out, "wine-template")
        self.prepared = os.path.join(out, "wine-prepared")
        self.scratch = os.path.join(out, "prefixes")
        self.xvfb = xvfb
        self.timer = os.path.join(out, "run_timed")
        log("preparing the Wine prefix")
        wine_shell('wine_ensure_template "$1"', self.template)
        shutil.rmtree(self.prepared, ignore_errors=True)
        wine_shell('wine_copy_prefix "$1" "$2"', self.template, self.prepared)
        # Xvfb runs no window manager; a managed window that is hidden makes
        # Wine wait for one. A desktop's window manager answers at once.
        with open(os.path.join(self.prepared, "user.reg"), "a") as f:
            f.write('\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Managed"="N"\n')
        os.makedirs(self.scratch, exist_ok=True)

    def env(self, prefix):
        env = dict(os.environ)
        env.update(WINEPREFIX=prefix, DISPLAY=self.xvfb.display, WINEDEBUG="-all")
        overrides = "mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
        env["WINEDLLOVERRIDES"] = overrides
        return env

    def run(self, exe, args, check, warm=None):
        """Installs with `exe` in a fresh prefix; returns (seconds, peak KiB,
        cpu seconds, problem or None, private peak KiB). `check(prefix)`
        verifies the result. With `warm` (exe, args), the prefix's wineserver
        and services are started first by an untimed run of that program, as
        on a desktop where Wine already runs; otherwise the timed run starts
        them. The prefix is kept until the end of the benchmark (see
        remove_later)."""
        prefix = tempfile.mkdtemp(dir=self.scratch)
        remove_later(prefix)
        wine_shell('wine_copy_prefix "$1" "$2"', self.prepared, prefix)
        env = self.env(prefix)
        if warm is not None:
            subprocess.run([self.wineserver, "-p"], env=env, stderr=subprocess.DEVNULL)
            subprocess.run([self.wine64, warm[0]] + warm[1], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        settle()
        done = subprocess.run([self.timer, self.wine64, exe] + args, env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
        subprocess.run([self.wineserver, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([self.wineserver, "-w"], env=env, stderr=subprocess.DEVNULL)
        try:
            code, seconds, peak, cpu, private = done.stdout.split()
        except ValueError:
            return 0, 0, 0, "the timer failed (%r)" % done.stdout, 0
        problem = None
        if int(code) != 0:
            problem = "exit code %s" % code
        elif check is not None:
            problem = check(prefix)
        return float(seconds), int(peak), float(cpu), problem, int(private)


_to_remove = []


def remove_later(path):
    """Deleting thousands of files just before a run makes the next file
    creations slow (the file system skips recently freed inodes), which is
    not what an installer meets on a user's machine: everything a run makes
    is deleted at the end of the benchmark instead."""
    _to_remove.append(path)


def remove_all():
    for path in _to_remove:
        shutil.rmtree(path, ignore_errors=True)
    del _to_remove[:]


def settle():
    """Before each timed run: no dirty data of an earlier run left to write
    back while this one runs."""
    os.sync()


def drive_c(prefix, windows_path):
    return os.path.join(prefix, "drive_c", *windows_path[3:].split("\\"))


# The table -----------------------------------------------------------------

def median_range(values):
    return statistics.median(values), min(values), max(values)


def fmt_time(values):
    if not values:
        return "%8s %17s" % ("-", "")
    m, lo, hi = median_range(values)
    return "%8.2f %8.2f-%-8.2f" % (m, lo, hi)


def fmt_mem(values):
    return "%7.0f" % (statistics.median(values) / 1024) if values else "%7s" % "-"


def strip_size(exe, triple, out):
    stripped = os.path.join(out, "azsetup-%s-stripped.exe" % triple.split("-")[0])
    subprocess.run(["%s-strip" % triple, "-o", stripped, exe], check=True)
    return os.path.getsize(stripped)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--host-build", required=True)
    parser.add_argument("--win64-build", required=True)
    parser.add_argument("--win32-build", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--single-runs", type=int, default=2)
    parser.add_argument("--builder-rounds", type=int, default=3)
    parser.add_argument("--no-single", action="store_true")
    parser.add_argument("--no-builder", action="store_true")
    parser.add_argument("--tree")
    opts = parser.parse_args(argv[1:])
    baseline = os.environ.get("AZ_BENCH_BASELINE")
    if baseline and not os.path.isfile(baseline):
        raise SystemExit("install-bench: AZ_BENCH_BASELINE names no file: %s" % baseline)

    out = os.path.abspath(opts.out)
    pkg = os.path.join(out, "pkg")
    os.makedirs(pkg, exist_ok=True)
    azpack = os.path.join(opts.host_build, "tools", "azpack", "azpack")
    stub64 = os.path.join(opts.win64_build, "src", "app", "azsetup.exe")
    stub32 = os.path.join(opts.win32_build, "src", "app", "azsetup.exe")
    floor = os.path.join(out, "native_floor")
    zlib9 = os.path.join(out, "zlib9")
    for path in (azpack, stub64, stub32, floor, zlib9, os.path.join(out, "run_timed")):
        if not os.path.exists(path):
            raise SystemExit("install-bench: %s is missing (run bench/install-bench.sh)" % path)

    log("generating the trees (kept when already there)")
    tree_root = os.path.join(out, "tree")
    single_root = os.path.join(out, "single")
    if opts.tree:
        tree = os.path.abspath(opts.tree)
    else:
        bench_tree.standard(tree_root)
        tree = os.path.join(tree_root, "files")
    if not opts.no_single:
        bench_tree.single(single_root, 256)
    single = os.path.join(single_root, "files")
    empty = os.path.join(out, "empty-tree")
    os.makedirs(empty, exist_ok=True)
    expected = digests(tree)
    tree_bytes = sum(os.path.getsize(os.path.join(tree, p)) for p in expected)

    log("packing: azpack")
    ours, ours_build = pack_ours(azpack, stub64, pkg, "ours", tree)
    ours32, _ = pack_ours(azpack, stub32, pkg, "ours-i686", tree)
    ours_payload, _ = pack_ours(azpack, None, pkg, "ours", tree)
    ours_empty, _ = pack_ours(azpack, stub64, pkg, "ours-empty", empty)
    # The baseline beside ours of its own target.
    same = (ours32, "i686") if baseline and stub_is_i686(baseline) else (ours, "win64")
    if baseline:
        base, _ = pack_ours(azpack, baseline, pkg, "baseline", tree)
    log("packing: NSIS (kept when the tree and script are unchanged)")
    nsis_file, nsis_file_build = pack_nsis(pkg, "nsis-perfile", tree, False)
    nsis_solid, nsis_solid_build = pack_nsis(pkg, "nsis-solid", tree, True)
    nsis_empty, _ = pack_nsis(pkg, "nsis-empty", None, False)
    if not opts.no_single:
        ours_single, _ = pack_ours(azpack, stub64, pkg, "ours-single", single)
        ours32_single, _ = pack_ours(azpack, stub32, pkg, "ours-i686-single", single)
        nsis_file_single, _ = pack_nsis(pkg, "nsis-perfile-single", single, False)
        nsis_solid_single, _ = pack_nsis(pkg, "nsis-solid-single", single, True)
        expected_single = digests(single)

    xvfb = Xvfb()
    try:
        wine = WineRunner(out, xvfb)

        def checker(folder, expect, kind):
            return lambda prefix: check_tree(expect, drive_c(prefix, folder), BY_PRODUCTS[kind])

        ours_warm = (ours_empty, [])
        nsis_warm = (nsis_empty, ["/S"])
        kinds = {
            "ours": (ours, [], checker(OURS_FOLDER, expected, "ours"), None),
            "ours-i686": (ours32, [], checker(OURS_FOLDER, expected, "ours"), None),
            "nsis-perfile": (nsis_file, ["/S"], checker(NSIS_FOLDER, expected, "nsis"), None),
            "nsis-solid": (nsis_solid, ["/S"], checker(NSIS_FOLDER, expected, "nsis"), None),
            "ours-empty": (ours_empty, [], None, None),
            "nsis-empty": (nsis_empty, ["/S"], None, None),
            "ours-warm": (ours, [], checker(OURS_FOLDER, expected, "ours"), ours_warm),
            "ours-i686-warm": (ours32, [], checker(OURS_FOLDER, expected, "ours"), ours_warm),
            "nsis-perfile-warm": (nsis_file, ["/S"], checker(NSIS_FOLDER, expected, "nsis"),
                                  nsis_warm),
            # Installed once untimed, then again over itself.
            "ours-update": (same[0], [], checker(OURS_FOLDER, expected, "ours"), (same[0], [])),
        }
        if baseline:
            kinds.update({
                "base": (base, [], checker(OURS_FOLDER, expected, "ours"), None),
                "base-warm": (base, [], checker(OURS_FOLDER, expected, "ours"), ours_warm),
                "base-update": (base, [], checker(OURS_FOLDER, expected, "ours"), (base, [])),
            })
        times = {k: [] for k in list(kinds) + ["floor-decode", "floor-raw"]}
        peaks = {k: [] for k in kinds}
        privates = {k: [] for k in kinds}
        cpus = {k: [] for k in kinds}
        problems = []

        log("warming up (one untimed run of each installer)")
        for name, (exe, args, check, _) in kinds.items():
            problem = wine.run(exe, args, check)[3]
            if problem:
                problems.append("%s (warm-up): %s" % (name, problem))

        order = list(kinds) + ["floor-decode", "floor-raw"]
        scratch = os.path.join(out, "floor")
        os.makedirs(scratch, exist_ok=True)
        for round_number in range(opts.runs):
            log("round %d of %d" % (round_number + 1, opts.runs))
            turn = order[round_number % len(order):] + order[:round_number % len(order)]
            for name in turn:
                if name.startswith("floor-"):
                    target = tempfile.mkdtemp(dir=scratch)
                    remove_later(target)
                    target = os.path.join(target, "tree")
                    source = ours_payload if name == "floor-decode" else tree
                    settle()
                    done = subprocess.run([floor, name[6:], source, target], check=True,
                                          capture_output=True, text=True)
                    times[name].append(float(done.stdout))
                    problem = check_tree(expected, target, set())
                    if problem:
                        problems.append("%s: %s" % (name, problem))
                    continue
                exe, args, check, warm = kinds[name]
                seconds, peak, cpu, problem, private = wine.run(exe, args, check, warm)
                if problem:
                    problems.append("%s round %d: %s" % (name, round_number + 1, problem))
                    continue
                times[name].append(seconds)
                peaks[name].append(peak)
                privates[name].append(private)
                cpus[name].append(cpu)

        single_times = {}
        single_peaks = {}
        single_privates = {}
        if not opts.no_single:
            ours_check = checker(OURS_FOLDER, expected_single, "ours")
            nsis_check = checker(NSIS_FOLDER, expected_single, "nsis")
            single_kinds = {
                "ours": (ours_single, [], ours_check, None),
                "ours-i686": (ours32_single, [], ours_check, None),
                "nsis-perfile": (nsis_file_single, ["/S"], nsis_check, None),
                "nsis-solid": (nsis_solid_single, ["/S"], nsis_check, None),
                "ours-warm": (ours_single, [], ours_check, ours_warm),
                "ours-i686-warm": (ours32_single, [], ours_check, ours_warm),
                "nsis-perfile-warm": (nsis_file_single, ["/S"], nsis_check, nsis_warm),
            }
            single_times = {k: [] for k in single_kinds}
            single_peaks = {k: [] for k in single_kinds}
            single_privates = {k: [] for k in single_kinds}
            for round_number in range(opts.single_runs):
                log("single 256 MiB file, round %d of %d" % (round_number + 1, opts.single_runs))
                for name, (exe, args, check, warm) in single_kinds.items():
                    seconds, peak, _, problem, private = wine.run(exe, args, check, warm)
                    if problem:
                        problems.append("single %s: %s" % (name, problem))
                        continue
                    single_times[name].append(seconds)
                    single_peaks[name].append(peak)
                    single_privates[name].append(private)
    finally:
        xvfb.close()
        log("removing what the runs made")
        remove_all()

    builder = None
    if not opts.no_builder:
        log("builder throughput")
        builder = builder_rate.measure(azpack, zlib9, tree, os.path.join(out, "builder"),
                                       opts.builder_rounds)

    sizes = {"i686": strip_size(stub32, "i686-w64-mingw32", out),
             "x86_64": strip_size(stub64, "x86_64-w64-mingw32", out)}

    # The table.
    mb = tree_bytes / 1e6
    print()
    print("tree: %d files, %.1f MB; payload %.1f MB (ours), %.1f / %.1f MB (NSIS per-file / solid)"
          % (len(expected), mb, os.path.getsize(ours_payload) / 1e6,
             os.path.getsize(nsis_file) / 1e6, os.path.getsize(nsis_solid) / 1e6))
    print("%d rounds, interleaved; %d cores; load average %.1f at the end"
          % (opts.runs, os.cpu_count(), os.getloadavg()[0]))
    print()
    print("%-40s %8s %-17s %7s %7s %7s" % ("install (whole process)", "median s", " range s",
                                           "peak MB", "priv MB", "cpu s"))
    labels = [("ours", "ours: azpack, win64 stub"),
              ("ours-i686", "ours: azpack, i686 stub"),
              ("nsis-perfile", "NSIS per-file zlib, /S"),
              ("nsis-solid", "NSIS solid zlib, /S"),
              ("ours-empty", "Wine start-up: ours, empty payload"),
              ("nsis-empty", "Wine start-up: NSIS, empty"),
              ("ours-warm", "running server: ours, win64 stub"),
              ("ours-i686-warm", "running server: ours, i686 stub"),
              ("nsis-perfile-warm", "running server: NSIS per-file"),
              ("ours-update", "update over itself: ours, %s stub" % same[1])]
    if baseline:
        labels += [("base", "baseline: %s stub" % same[1]),
                   ("base-warm", "running server: baseline"),
                   ("base-update", "update over itself: baseline")]
    for key, label in labels:
        cpu = "%7.2f" % statistics.median(cpus[key]) if cpus[key] else "%7s" % "-"
        print("%-40s %s %s %s %s" % (label, fmt_time(times[key]), fmt_mem(peaks[key]),
                                     fmt_mem(privates[key]), cpu))
    print("%-40s %s" % ("floor: our decode + write, native", fmt_time(times["floor-decode"])))
    print("%-40s %s" % ("floor: raw write of the tree, native", fmt_time(times["floor-raw"])))
    if single_times:
        print()
        print("%-40s %8s %-17s %7s %7s" % ("single 256 MiB file", "median s", " range s",
                                           "peak MB", "priv MB"))
        for key, label in labels[:4] + labels[6:9]:
            print("%-40s %s %s %s" % (label, fmt_time(single_times[key]),
                                      fmt_mem(single_peaks[key]), fmt_mem(single_privates[key])))

    def ratio(a, b, table=times):
        if not table.get(a) or not table.get(b):
            return float("nan")
        return statistics.median(table[a]) / statistics.median(table[b])

    print()
    print("ours / NSIS per-file   %5.2f   (target at most 0.85)" % ratio("ours", "nsis-perfile"))
    print("ours / NSIS per-file, running server  %5.2f (i686 %5.2f; target at most 0.70)"
          % (ratio("ours-warm", "nsis-perfile-warm"), ratio("ours-i686-warm", "nsis-perfile-warm")))
    if single_times:
        print("256 MiB: ours / NSIS per-file, running server  %5.2f (i686 %5.2f; target at most "
              "0.80)" % (ratio("ours-warm", "nsis-perfile-warm", single_times),
                         ratio("ours-i686-warm", "nsis-perfile-warm", single_times)))
    print("ours / NSIS solid      %5.2f" % ratio("ours", "nsis-solid"))
    if baseline:
        cold = "ours-i686" if same[1] == "i686" else "ours"
        print("ours / baseline (%s): first installation %5.2f, running server %5.2f, update "
              "%5.2f   (target at most 1.05)"
              % (same[1], ratio(cold, "base"), ratio(cold + "-warm", "base-warm"),
                 ratio("ours-update", "base-update")))
    print("ours / floor (decode)  %5.2f   (Wine start-up included)" % ratio("ours", "floor-decode"))
    print("ours / floor (decode), running server  %5.2f" % ratio("ours-warm", "floor-decode"))
    if times["ours"] and times["ours-empty"] and times["floor-decode"]:
        work = statistics.median(times["ours"]) - statistics.median(times["ours-empty"])
        print("ours minus start-up / floor (decode)  %5.2f"
              % (work / statistics.median(times["floor-decode"])))
    if builder:
        print()
        print("%-28s %8s %-15s %9s %8s" % ("builder (same tree)", "MB/s", " range",
                                          "MB/cpu-s", "vs zlib"))
        for label, rate, low, high, per_cpu, ratio_value in builder_rate.rows(builder):
            print("%-28s %8.1f %6.1f-%-8.1f %9.1f %8.2f"
                  % (label, rate, low, high, per_cpu, ratio_value))
        print("(target: azpack -j%d at least 1.80 x zlib; -j1 and -j%d output byte-identical: %s)"
              % (builder["cores"], builder["cores"], "yes" if builder["identical"] else "NO"))
    builds = [("azpack build -j%d" % (os.cpu_count() or 1), ours_build),
              ("makensis per-file", nsis_file_build), ("makensis solid", nsis_solid_build)]
    print("packing this run (s): " + ", ".join(
        "%s %s" % (label, "%.1f" % s if s is not None else "kept") for label, s in builds))
    print()
    print("stub azsetup.exe, stripped: i686 %d bytes (%.1f KB; target at most 90 KB), "
          "x86_64 %d bytes (%.1f KB)" % (sizes["i686"], sizes["i686"] / 1024, sizes["x86_64"],
                                          sizes["x86_64"] / 1024))
    print("installed trees checked byte for byte against the source: %s"
          % ("all identical" if not problems else "PROBLEMS"))
    for problem in problems:
        print("  " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
