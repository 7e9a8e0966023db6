"""Deterministic install trees for the benchmarks.

    python3 bench/bench_tree.py DIR            the standard tree (~2,000 files, ~200 MB)
    python3 bench/bench_tree.py DIR --single N one text-like file of N MiB

The standard tree looks like a real product: program files, libraries and
plug-ins, documentation in nested chapters, data tables, media that is
already compressed, and a few files of tens of MB. The same arguments always
give the same bytes on any machine (seeded generators only). A tree that is
already complete (its stamp matches this file and the arguments) is kept, so repeated runs do not
pay for generating it again.
"""

import hashlib
import os
import random
import shutil
import struct
import sys

STAMP = ".bench-tree"

_rng = random.Random(20240607)
_WORDS = [bytes(_rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(_rng.randint(2, 11)))
          for _ in range(5000)]
_WEIGHTS = [1.0 / (rank + 1) for rank in range(len(_WORDS))]  # Zipf-like, as in prose
_NAMES = [bytes(_rng.choice(b"abcdefghijklmnopqrstuvwxyz_") for _ in range(_rng.randint(3, 14)))
          for _ in range(300)]
_LINES = []


def _lines():
    # Lines of prose and of code-like text, drawn once; files pick from them.
    if not _LINES:
        r = random.Random(31)
        for _ in range(40000):
            line = b" ".join(r.choices(_WORDS, _WEIGHTS, k=r.randint(6, 16)))
            _LINES.append(line + (b".\n" if r.random() < 0.3 else b",\n"))
        for _ in range(10000):
            indent = b"    " * r.randint(0, 3)
            name, other = r.choice(_NAMES), r.choice(_NAMES)
            _LINES.append(indent + b"%s = %s(%s, %d);\n" % (name, other, r.choice(_NAMES),
                                                            r.randint(0, 9999)))
    return _LINES

def text(size, seed):
    r = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += b"".join(r.choices(_lines(), k=64))
    return bytes(out[:size])


def binary(size, seed):
    # Table rows: a counter, a small integer, a float, a padded name, a tail.
    r = random.Random(seed)
    out = bytearray()
    row = r.randint(0, 1 << 20)
    while len(out) < size:
        row += 1
        out += struct.pack("<IIf", row, r.getrandbits(20), r.random() * 1000.0)
        out += r.choice(_NAMES).ljust(16, b"\0") + r.randbytes(r.randint(0, 6))
    return bytes(out[:size])


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def _files():
    """(relative path, kind, size, seed) of the standard tree."""
    r = random.Random(7)
    files = []

    def add(path, kind, size):
        files.append((path, kind, size, len(files) + 1))

    def small(low, high):
        # Many small files, a few larger ones: sizes spread over two decades.
        return int(low * (high / low) ** r.random())

    # Program: executables and libraries (binary), plug-ins in nested folders.
    for i in range(12):
        add("bin/tool%02d.exe" % i, "binary", small(40_000, 1_500_000))
    for i in range(60):
        add("bin/lib%02d.dll" % i, "binary", small(20_000, 900_000))
    for p in range(25):
        for i in range(8):
            add("plugins/%s/lib/%s%d.dll" % (_NAMES[p].decode(), _NAMES[p + i].decode(), i),
                "binary", small(5_000, 200_000))
        for i in range(4):
            add("plugins/%s/res/%s%d.txt" % (_NAMES[p].decode(), _NAMES[p + 2 * i].decode(), i),
                "text", small(500, 20_000))
    # Documentation: chapters, sections, pages (text).
    for c in range(30):
        for s in range(4):
            for i in range(6):
                add("docs/chapter%02d/section%d/page%02d.txt" % (c, s, i), "text",
                    small(2_000, 120_000))
    # Sources shipped as examples, four levels deep (text).
    for m in range(16):
        for n in range(5):
            for i in range(5):
                add("examples/%s/%s/src/file%d.c" % (_NAMES[40 + m].decode(),
                                                     _NAMES[80 + n].decode(), i),
                    "text", small(1_000, 60_000))
    # Data tables (binary) and their descriptions (text).
    for i in range(120):
        add("data/tables/t%03d.bin" % i, "binary", small(10_000, 1_200_000))
        add("data/tables/t%03d.txt" % i, "text", small(300, 5_000))
    # Already compressed: images, sounds, archives (random bytes).
    for g in range(10):
        for i in range(22):
            add("media/group%d/item%02d.jpg" % (g, i), "noise", small(8_000, 400_000))
    for i in range(30):
        add("media/sounds/s%02d.ogg" % i, "noise", small(100_000, 1_500_000))
    # Small settings files at the top and in the program folder.
    for i in range(40):
        add("config/setting%02d.ini" % i, "text", small(100, 3_000))
    # A few large files.
    add("big/manual.txt", "text", 34_000_000)
    add("big/database.bin", "binary", 22_000_000)
    add("big/archive.zip", "noise", 12_000_000)
    add("big/video.avi", "noise", 10_000_000)
    return files


def _make(kind, size, seed):
    return {"text": text, "binary": binary, "noise": noise}[kind](size, seed)


def _fingerprint(description):
    # Any change to this file may change the bytes: it is part of the stamp.
    with open(__file__, "rb") as source:
        own = source.read()
    return hashlib.sha256(own + repr(description).encode()).hexdigest()


def generate(root, description):
    stamp = os.path.join(root, STAMP)
    fingerprint = _fingerprint(description)
    try:
        with open(stamp) as f:
            if f.read().strip() == fingerprint:
                return False
    except OSError:
        pass
    shutil.rmtree(root, ignore_errors=True)
    for path, kind, size, seed in description:
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(_make(kind, size, seed))
    # The stamp lives beside the tree's files but is not one of them: callers
    # pack the folder `files` below the root.
    with open(stamp, "w") as f:
        f.write(fingerprint + "\n")
    return True


def standard(root):
    return generate(root, [("files/" + p, k, s, seed) for p, k, s, seed in _files()])


def single(root, mebibytes):
    return generate(root, [("files/huge.txt", "text", mebibytes << 20, 4242)])


def main(argv):
    if len(argv) == 2:
        made = standard(argv[1])
    elif len(argv) == 4 and argv[2] == "--single":
        made = single(argv[1], int(argv[3]))
    else:
        sys.exit(__doc__)
    print("%s %s/files" % ("generated" if made else "kept", argv[1]), file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv)
