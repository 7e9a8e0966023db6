#!/usr/bin/env python3
"""Writes the payload carried as a resource by the Windows extraction tests.

    make_resource_payload.py sound|damaged OUTPUT

sound: a header and three files (the names and contents that
resource_extract_test.cpp expects). damaged: the same with a header chunk
that does not decode.
"""
import struct
import sys
import zlib

FILES = [
    ("readme.txt", b"Bonjour"),
    ("bin\\Demo.exe", bytes((i * 7) % 251 for i in range(3000))),
    ("vide.dat", b""),
]
ROOT_PAGE = 7176


def text(value, width):
    raw = value.encode("cp1252")
    return raw + b"\0" * (width - len(raw))


def header():
    record = struct.pack("<I", 2444) + text("fr", 96) + text("bin\\Demo.exe", 1024)
    record += text("%programfiles%\\Demo", 260) + struct.pack("<5i", 28, 1, 1, 0, 0)
    record += text("Démo", 260) + text("Démo favori", 260) + text("demo.ico", 260)
    record += text("Démo menu", 260)
    assert len(record) == 2444
    return record


def chunk(data):
    stream = zlib.compress(data, 9)
    return struct.pack("<II", len(data), len(stream)) + stream


def main():
    kind, output = sys.argv[1], sys.argv[2]
    data = b""
    entries = []
    for name, contents in FILES:
        entries.append((name.encode("cp1252"), len(data)))
        data += chunk(contents)
    area = b"".join(struct.pack("<ii", -1, value) + name + b"\0"
                    for name, value in sorted(entries))
    table = struct.pack("<iii", 0, len(area), -1) + area
    table += b"\0" * (7168 - len(table)) + struct.pack("<ii", -1, 1)
    assert len(table) == ROOT_PAGE
    head = chunk(header())
    if kind == "damaged":
        head = head[:8] + b"\x78\xda" + b"\xff" * (len(head) - 10)
    with open(output, "wb") as out:
        out.write(b"MWZ100\0\0" + head + chunk(table) + data)


if __name__ == "__main__":
    main()
