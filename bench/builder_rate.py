"""Throughput of `azpack build` beside single-threaded zlib level 9.

    python3 bench/builder_rate.py AZPACK ZLIB9 TREE WORK_DIR [ROUNDS]

ZLIB9 is bench/zlib9.cpp compiled. Each round runs zlib -9 (one thread,
compress2 per file, reading excluded), `azpack build -j1` and `azpack build
-jN` (N = the number of cores), in turn, so that a busy moment hurts all three
alike; medians and ranges over the rounds are printed. The payloads of -j1 and
-jN must be byte-identical, and `azpack verify` must accept them.
"""

import os
import resource
import statistics
import subprocess
import sys
import time


def _measure(command, **kwargs):
    """Wall seconds, CPU seconds (user + system) and standard output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    done = subprocess.run(command, stdout=subprocess.PIPE, check=True, **kwargs)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout


def tree_files(tree):
    names = []
    for folder, _, files in os.walk(tree):
        names.extend(os.path.join(folder, f) for f in files)
    return sorted(names)


def measure(azpack, zlib9, tree, work, rounds=3, cores=None):
    """Returns a dict: bytes, files, cores, and for 'zlib', 'j1', 'jN' the
    lists of wall and cpu seconds, plus the output sizes."""
    cores = cores or os.cpu_count() or 1
    os.makedirs(work, exist_ok=True)
    listing = os.path.join(work, "files.txt")
    files = tree_files(tree)
    with open(listing, "w") as f:
        f.write("\n".join(files) + "\n")
    result = {"files": len(files), "cores": cores,
              "zlib": ([], []), "j1": ([], []), "jN": ([], [])}
    one, many = os.path.join(work, "one.az"), os.path.join(work, "all.az")
    for _ in range(rounds):
        with open(listing, "rb") as names:
            _, _, printed = _measure([zlib9], stdin=names)
        size, zlib_out, seconds, cpu = printed.split()
        result["bytes"], result["zlib_out"] = int(size), int(zlib_out)
        result["zlib"][0].append(float(seconds))
        result["zlib"][1].append(float(cpu))
        for key, jobs, out in (("j1", 1, one), ("jN", cores, many)):
            wall, cpu, _ = _measure([azpack, "build", "--payload-only", tree, "-o", out, "-j%d" % jobs,
                                     "--level", "9"])
            result[key][0].append(wall)
            result[key][1].append(cpu)
        with open(one, "rb") as a, open(many, "rb") as b:
            if a.read() != b.read():
                raise SystemExit("builder_rate: -j1 and -j%d payloads differ" % cores)
    subprocess.run([azpack, "verify", many], stdout=subprocess.DEVNULL, check=True)
    result["payload"] = os.path.getsize(one)
    result["identical"] = True
    os.remove(one)
    os.remove(many)
    return result


def rows(result):
    """(label, MB/s median, MB/s low, MB/s high, MB per CPU-second, ratio to
    zlib) for the three tools."""
    mb = result["bytes"] / 1e6
    zlib_rate = mb / statistics.median(result["zlib"][0])
    out = []
    for key, label in (("zlib", "zlib -9, one thread"), ("j1", "azpack build -j1"),
                       ("jN", "azpack build -j%d" % result["cores"])):
        walls, cpus = result[key]
        rate = mb / statistics.median(walls)
        out.append((label, rate, mb / max(walls), mb / min(walls),
                    mb / statistics.median(cpus), rate / zlib_rate))
    return out


def main(argv):
    if len(argv) not in (5, 6):
        sys.exit(__doc__)
    rounds = int(argv[5]) if len(argv) == 6 else 3
    result = measure(argv[1], argv[2], argv[3], argv[4], rounds)
    print("tree: %d files, %.1f MB; %d cores; %d rounds; load average %.1f"
          % (result["files"], result["bytes"] / 1e6, result["cores"], rounds,
             os.getloadavg()[0]))
    print("%-24s %8s %15s %10s %8s" % ("", "MB/s", "range", "MB/cpu-s", "vs zlib"))
    for label, rate, low, high, per_cpu, ratio in rows(result):
        print("%-24s %8.1f %7.1f-%-7.1f %10.1f %8.2f" % (label, rate, low, high, per_cpu, ratio))
    print("payload %d bytes, %.4f of zlib's output; -j1 and -j%d byte-identical"
          % (result["payload"], result["payload"] / result["zlib_out"], result["cores"]))


if __name__ == "__main__":
    main(sys.argv)
