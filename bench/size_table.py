"""Installer size and build time of `azpack build` with zlib at levels 9
and 6 (an azpack built without libdeflate) and, when AZPACK has it, with
libdeflate at levels 6, 9 (the default), 10 and 12, beside makensis (zlib,
and solid LZMA) on the same tree.

    python3 bench/size_table.py AZPACK ZLIB_AZPACK STUB TREE WORK_DIR [ROUNDS]

Each round builds the installers in turn, so that a busy moment hurts
all alike; the table gives the median wall seconds, the installer's bytes and
its size relative to zlib's level 9. Two builds of each row (-j1 and -jN)
must be byte-identical. makensis missing: its rows are left out.
"""

import os
import shutil
import statistics
import subprocess
import sys
import time


def timed(command):
    start = time.monotonic()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.monotonic() - start


def nsis_script(tree, out, compressor):
    return ('Unicode true\nName "bench"\nOutFile "%s"\nSetCompressor %s\n'
            'RequestExecutionLevel admin\nInstallDir "$PROGRAMFILES\\bench"\n'
            'Section\nSetOutPath $INSTDIR\nFile /r "%s/*"\nSectionEnd\n'
            % (out, compressor, tree))


def main(argv):
    if len(argv) not in (6, 7):
        sys.exit(__doc__)
    azpack, zlib_azpack, stub, tree, work = argv[1:6]
    rounds = int(argv[6]) if len(argv) == 7 else 3
    os.makedirs(work, exist_ok=True)
    cores = os.cpu_count() or 1
    rows = {}
    shown = subprocess.run([azpack, "build", "--help"], stdout=subprocess.PIPE).stdout
    builds = [("zlib", zlib_azpack, 9), ("zlib", zlib_azpack, 6)]
    if b"libdeflate" in shown:
        builds += [("libdeflate", azpack, level) for level in (6, 9, 10, 12)]
    labels = []
    for library, program, level in builds:
        out = os.path.join(work, "azpack-%s%d.exe" % (library, level))
        label = "%s %d -j%d" % (library, level, cores)
        labels.append(label)
        rows[label] = (
            [program, "build", tree, "-o", out, "--stub", stub, "--level", str(level),
             "-j%d" % cores, "--install-folder", "%PROGRAMFILES%\\bench"], out)
    makensis = shutil.which("makensis")
    if makensis:
        for label, compressor in (("makensis zlib", "zlib"), ("makensis /SOLID lzma",
                                                              "/SOLID lzma")):
            out = os.path.join(work, label.split()[-1] + ".exe")
            script = os.path.join(work, label.split()[-1] + ".nsi")
            with open(script, "w") as f:
                f.write(nsis_script(os.path.abspath(tree), os.path.abspath(out), compressor))
            rows[label] = ([makensis, "-V1", script], out)
    times = {label: [] for label in rows}
    for _ in range(rounds):
        for label, (command, _) in rows.items():
            times[label].append(timed(command))
    for label in labels:
        again = os.path.join(work, "again.exe")
        command = [a if a != rows[label][1] else again for a in rows[label][0]]
        command[command.index("-j%d" % cores)] = "-j1"
        timed(command)
        with open(again, "rb") as a, open(rows[label][1], "rb") as b:
            if a.read() != b.read():
                raise SystemExit("size_table: -j1 and -j%d installers differ" % cores)
        os.remove(again)
    base = os.path.getsize(rows["zlib 9 -j%d" % cores][1])
    size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(tree) for f in fs)
    print("tree %s: %.1f MB; %d rounds; load average %.1f"
          % (tree, size / 1e6, rounds, os.getloadavg()[0]))
    print("%-26s %10s %14s %9s" % ("", "seconds", "bytes", "vs zlib 9"))
    for label, (_, out) in rows.items():
        print("%-26s %10.2f %14d %9.4f" % (label, statistics.median(times[label]),
                                           os.path.getsize(out), os.path.getsize(out) / base))


if __name__ == "__main__":
    main(sys.argv)
