"""Helpers shared by the azpack scenario tests: running the tool, making
source trees, and an independent reader and writer of the payload layout
(so that the tests do not take the tool's word for what it wrote)."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

HEADER_SIZE = 2444
ROOT_PAGE = 7176
PAGE = 7168
AREA = 7156

AZPACK = os.environ.get("AZPACK", "")


def run(*args, stderr=subprocess.PIPE):
    """Runs azpack; returns (exit code, stdout, stderr) as text. A build given
    no stub or target writes the bare payload (--payload-only), as these
    tests read payloads."""
    args = [str(a) for a in args]
    if args[:1] == ["build"] and not any(a.startswith(("--stub", "--target", "--payload-only"))
                                         for a in args):
        args.insert(1, "--payload-only")
    done = subprocess.run([AZPACK, *args], stdout=subprocess.PIPE,
                          stderr=stderr, timeout=600)
    err = done.stderr.decode("utf-8", "replace") if done.stderr is not None else ""
    return done.returncode, done.stdout.decode("utf-8", "replace"), err


def write_file(path, data=b""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def tree_contents(root):
    """{relative path with '/': bytes} of every file under root."""
    result = {}
    for folder, _, files in os.walk(root):
        for name in files:
            full = os.path.join(folder, name)
            result[os.path.relpath(full, root).replace(os.sep, "/")] = read_file(full)
    return result


def sample(size, seed):
    """Deterministic bytes that compress somewhat."""
    words = [b"install ", b"payload ", b"chunk ", b"fichier ", b"page "]
    out = bytearray()
    state = seed * 2654435761 + 1
    while len(out) < size:
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        if (state >> 16) % 4 == 0:
            out.append((state >> 8) & 0xFF)
        else:
            out += words[(state >> 20) % 5]
    return bytes(out[:size])


class Payload:
    """An independent reader of a payload file: header, table walk, chunks."""

    def __init__(self, data):
        self.data = data
        assert data[:3] == b"MWZ", "no signature"
        self.header, end0 = self.chunk(8)
        self.table, end1 = self.chunk(end0)
        self.data_start = end1
        self.entries = []  # (name bytes, value) in walk order
        self.depth = 0
        self.walk(0, 1)

    def chunk(self, at):
        size, csize = struct.unpack_from("<II", self.data, at)
        stream = self.data[at + 8:at + 8 + csize]
        decoded = zlib.decompress(stream)
        assert len(decoded) == size, "size mismatch"
        return decoded, at + 8 + csize

    def stream_header(self, at):
        return self.data[at + 8:at + 10]

    def walk(self, offset, depth):
        self.depth = max(self.depth, depth)
        own, used, left = struct.unpack_from("<iii", self.table, offset)
        assert own == offset
        if left != -1:
            self.walk(left, depth + 1)
        p = offset + 12
        end = p + used
        while p < end:
            child, value = struct.unpack_from("<ii", self.table, p)
            name = self.table[p + 8:self.table.index(b"\0", p + 8)]
            self.entries.append((name, value))
            if child != -1:
                self.walk(child, depth + 1)
            p += 9 + len(name)

    def file(self, value):
        return self.chunk(self.data_start + value)[0]

    def text(self, offset, width):
        return self.header[offset:offset + width].split(b"\0")[0]


def make_header(main=b"", folder=b"", product=b"", language=b"fr", reserved=(28, 1, 1, 0, 0)):
    header = bytearray(HEADER_SIZE)
    struct.pack_into("<I", header, 0, HEADER_SIZE)
    header[4:4 + len(language)] = language
    header[100:100 + len(main)] = main
    header[1124:1124 + len(folder)] = folder
    struct.pack_into("<5i", header, 1384, *reserved)
    header[1404:1404 + len(product)] = product
    return bytes(header)


def make_payload(entries, header=None, data_gap=b"", padding_byte=0, tail=b""):
    """A payload with a single-page table holding `entries` ([(name bytes,
    data bytes)]) in the given order, whatever that order is."""
    header = header or make_header()
    chunks = b""
    values = []
    for index, (_, data) in enumerate(entries):
        if index == 1:
            chunks += data_gap
        values.append(len(chunks))
        stream = zlib.compress(data, 9)
        chunks += struct.pack("<II", len(data), len(stream)) + stream
    area = b""
    for (name, _), value in zip(entries, values):
        area += struct.pack("<ii", -1, value) + name + b"\0"
    assert len(area) <= AREA
    page = struct.pack("<iii", 0, len(area), -1) + area
    page += bytes([padding_byte]) * (PAGE - len(page)) + struct.pack("<ii", -1, 1)
    out = b"MWZ100\0\0"
    for record in (header, page):
        stream = zlib.compress(record, 9)
        out += struct.pack("<II", len(record), len(stream)) + stream
    return out + chunks + tail


class AzpackTestCase(unittest.TestCase):
    """Gives each test a scratch folder."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="azpack-test-")

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.scratch, *parts)

    def build(self, source, out, *options):
        code, stdout, stderr = run("build", source, "-o", out, *options)
        self.assertEqual(code, 0, stderr)
        return stdout, stderr

    def assert_refused(self, code, stderr, *needles, exit_code=1):
        self.assertEqual(code, exit_code, stderr)
        lines = stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, "one error line expected: %r" % stderr)
        for needle in needles:
            self.assertIn(needle, lines[0])

    def assert_no_output(self, out):
        folder = os.path.dirname(out)
        self.assertFalse(os.path.exists(out), "output left behind")
        leftovers = [n for n in os.listdir(folder) if n.endswith(".tmp")]
        self.assertEqual(leftovers, [], "temporary files left behind")
