"""Payloads for the scenarios: made by azpack from a folder, or written here
byte by byte for payloads that azpack would refuse to make (damaged chunks,
hand-made entry tables, hostile names), then stamped into the stub with
`azpack stamp`.

Layout (all integers little-endian):
  0   "MWZ100" and two zero bytes
  8   chunk 0: the 2444-byte header; then chunk 1: the entry table
  dataStart = 24 + compressed sizes of chunks 0 and 1; each entry's chunk at
  dataStart + its value.
  chunk: uint32 uncompressed size, uint32 compressed size, zlib stream.
  entry table: root page of 7176 bytes, further pages of 7168; page = int32
  own position, int32 used bytes, int32 left child, entries (int32 child,
  int32 value, name and a zero byte); root ends with int32 -1, int32 1.
"""

import struct
import subprocess
import zlib
from pathlib import Path

from testbed import settings

SIGNATURE = b"MWZ100\0\0"
HEADER_SIZE = 2444
PAGE_SIZE = 7168
ROOT_PAGE_SIZE = 7176
ENTRY_AREA = PAGE_SIZE - 12

# field: (offset, width)
HEADER_FIELDS = {
    "language": (4, 96),
    "mainProgram": (100, 1024),
    "installFolder": (1124, 260),
    "productName": (1404, 260),
    "favoritesName": (1664, 260),
    "iconFile": (1924, 260),
    "startMenuName": (2184, 260),
}


def _text(value):
    return value if isinstance(value, bytes) else value.encode("cp1252")


def header_bytes(size=HEADER_SIZE, reserved=(28, 1, 1, 0, 0), terminate=True, **fields):
    """The header record. Texts are str (stored in Windows-1252) or bytes;
    with terminate=False a text may fill its whole width without a zero."""
    record = bytearray(HEADER_SIZE)
    struct.pack_into("<I", record, 0, size)
    struct.pack_into("<5i", record, 1384, *reserved)
    fields.setdefault("language", "fr")
    for name, value in fields.items():
        offset, width = HEADER_FIELDS[name]
        data = _text(value)
        limit = width if not terminate else width - 1
        if len(data) > limit:
            raise ValueError("%s is %d bytes, more than %d" % (name, len(data), limit))
        record[offset:offset + len(data)] = data
    return bytes(record)


def chunk(data, level=9, uncompressed_size=None, stream=None, compressed_size=None):
    """One chunk: its two sizes and a zlib stream. Any part may be forced:
    a wrong stated size, a damaged or cut stream, a lying compressed size."""
    if stream is None:
        stream = zlib.compress(data, level)
    if uncompressed_size is None:
        uncompressed_size = len(data)
    if compressed_size is None:
        compressed_size = len(stream)
    return struct.pack("<II", uncompressed_size & 0xFFFFFFFF,
                       compressed_size & 0xFFFFFFFF) + stream


def damaged_stream(data):
    """A zlib stream of `data` whose deflate bytes are changed, so that it no
    longer decodes (or fails its checksum)."""
    stream = bytearray(zlib.compress(data, 9))
    for i in range(2, len(stream) - 4):
        stream[i] ^= 0x55
    return bytes(stream)


def entry_bytes(name, value, child=-1):
    return struct.pack("<ii", child, value) + _text(name) + b"\0"


def page_bytes(entries, own_position=0, left_child=-1, root=True, used_bytes=None):
    """One page from ready-made entry records (entry_bytes)."""
    area = b"".join(entries)
    if len(area) > ENTRY_AREA:
        raise ValueError("entries need %d bytes, a page holds %d" % (len(area), ENTRY_AREA))
    used = len(area) if used_bytes is None else used_bytes
    page = struct.pack("<iii", own_position, used, left_child) + area
    page += b"\0" * (PAGE_SIZE - len(page))
    if root:
        page += struct.pack("<ii", -1, 1)
    return page


def single_page_table(names_and_values):
    """An entry table of one root page, the entries in the order given."""
    return page_bytes([entry_bytes(n, v) for n, v in names_and_values])


class Entry:
    """A file of a hand-made payload: its name and either its content or a
    ready chunk (damaged or otherwise), or an explicit value."""

    def __init__(self, name, data=b"", raw_chunk=None, value=None):
        self.name = _text(name)
        self.data = data
        self.raw_chunk = raw_chunk
        self.value = value


def payload_bytes(header, entries, table=None, signature=SIGNATURE, header_chunk=None,
                  table_chunk=None):
    """A whole payload. Entries go into the table in plain byte order of
    their names (unless `table` is given); their chunks lie back to back
    from dataStart in the order listed. An entry with a `value` keeps it
    (for offsets that point anywhere); the others get their chunk's offset."""
    data_area = b""
    placed = []
    for e in entries:
        block = e.raw_chunk if e.raw_chunk is not None else chunk(e.data)
        offset = len(data_area)
        data_area += block
        placed.append((e.name, offset if e.value is None else e.value))
    if table is None:
        table = single_page_table(sorted(placed, key=lambda item: item[0]))
    if header_chunk is None:
        header_chunk = chunk(header)
    if table_chunk is None:
        table_chunk = chunk(table)
    return signature + header_chunk + table_chunk + data_area


def read_payload(data):
    """Decodes a payload: (header fields, [(name bytes, value)], dataStart)."""
    if data[:3] != b"MWZ":
        raise ValueError("not a payload")
    pos = 8
    parts = []
    for _ in range(2):
        usize, csize = struct.unpack_from("<II", data, pos)
        parts.append(zlib.decompress(data[pos + 8:pos + 8 + csize]))
        pos += 8 + csize
    header, table = parts
    fields = {}
    for name, (offset, width) in HEADER_FIELDS.items():
        fields[name] = header[offset:offset + width].split(b"\0", 1)[0]
    entries = []

    def walk(position, depth):
        if position < 0 or depth > 8:
            return
        own, used, left = struct.unpack_from("<iii", table, position)
        walk(left, depth + 1)
        p = position + 12
        end = p + used
        while p < end:
            child, value = struct.unpack_from("<ii", table, p)
            name_end = table.index(b"\0", p + 8)
            entries.append((table[p + 8:name_end], value))
            walk(child, depth + 1)
            p = name_end + 1

    walk(0, 1)
    return fields, entries, pos


def file_chunk(data, data_start, value):
    """The decoded content of the chunk at dataStart + value."""
    pos = data_start + value
    usize, csize = struct.unpack_from("<II", data, pos)
    return zlib.decompress(data[pos + 8:pos + 8 + csize])


# -- azpack ---------------------------------------------------------------

class ToolError(AssertionError):
    pass


def azpack(*args, check=True):
    done = subprocess.run([str(settings().azpack)] + [str(a) for a in args],
                          capture_output=True, timeout=300)
    if check and done.returncode != 0:
        raise ToolError("azpack %s failed (%d): %s" % (
            " ".join(str(a) for a in args), done.returncode,
            (done.stderr or done.stdout).decode("utf-8", "replace")))
    return done


def build_installer(source, out, stub=None, main_program=None, install_folder=None,
                    product_name=None, favorites_name=None, icon_file=None,
                    start_menu_name=None, uninstaller=None):
    """azpack build SOURCE -o OUT --stub STUB with the header options given
    (None leaves an option out). azpack refuses a tree with its own top-level
    TAVUUNINSTALL.EXE, so such a file is moved beside the tree and given
    with --uninstaller; without either there is no uninstaller entry."""
    # Scenarios try the installer's own fallbacks (missing main program,
    # relative or empty install folder): azpack only warns about them here.
    args = ["build", source, "-o", out, "--stub", stub or settings().azsetup, "--lenient"]
    for own in Path(source).iterdir():
        if own.name.upper() == "TAVUUNINSTALL.EXE" and own.is_file():
            uninstaller = own.rename(Path(out).with_name(Path(out).name + ".uninstaller"))
    if uninstaller is not None:
        args += ["--uninstaller", uninstaller]
    for option, value in (("--main-program", main_program),
                          ("--install-folder", install_folder),
                          ("--product-name", product_name),
                          ("--favorites-name", favorites_name),
                          ("--icon-file", icon_file),
                          ("--start-menu-name", start_menu_name)):
        if value is not None:
            args += [option, value]
    azpack(*args)
    return Path(out)


def stamp(payload, out, stub=None):
    """Stamps payload bytes (or a payload file) into a copy of the stub with
    azpack. Bytes that azpack refuses to stamp (no "MWZ" signature) are put
    in place of a carrier payload of the same size, see stamp_any."""
    out = Path(out)
    if isinstance(payload, (bytes, bytearray)):
        if payload[:3] != b"MWZ":
            return stamp_any(payload, out, stub)
        source = out.with_name(out.name + ".payload")
        source.write_bytes(payload)
    else:
        source = payload
    azpack("stamp", stub or settings().azsetup, source, "-o", out)
    return out


def stamp_any(data, out, stub=None):
    """Any bytes as the payload resource: azpack stamps a carrier payload at
    least as long, then the resource's bytes are overwritten in the file and
    its size entry set to len(data). The PE checksum is left stale, which
    Windows does not check for programs."""
    import pefile
    out = Path(out)
    carrier = SIGNATURE + chunk(header_bytes()) + chunk(single_page_table([])) + \
        bytes(max(len(data), 1))
    carrier_file = out.with_name(out.name + ".carrier")
    carrier_file.write_bytes(carrier)
    azpack("stamp", stub or settings().azsetup, carrier_file, "-o", out)
    image = bytearray(out.read_bytes())
    pe = pefile.PE(data=bytes(image))
    entry = _payload_resource(pe)
    offset = pe.get_offset_from_rva(entry.data.struct.OffsetToData)
    if entry.data.struct.Size < len(data):
        raise ValueError("carrier resource too small")
    image[offset:offset + len(data)] = data
    size_field = entry.data.struct.get_field_absolute_offset("Size")
    struct.pack_into("<I", image, size_field, len(data))
    out.write_bytes(bytes(image))
    return out


def _payload_resource(pe):
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.name is None or str(kind.name) != "QX_TYPE":
            continue
        for name in kind.directory.entries:
            if name.name is not None and str(name.name) == "QX_AZARCH":
                return name.directory.entries[0]
    raise ValueError("no QX_TYPE/QX_AZARCH resource")


def payload_resource_location(image):
    """(file offset of the payload resource's bytes, file offset of its size
    field in the resource directory) in the bytes of an installer."""
    import pefile
    pe = pefile.PE(data=bytes(image))
    entry = _payload_resource(pe)
    return (pe.get_offset_from_rva(entry.data.struct.OffsetToData),
            entry.data.struct.get_field_absolute_offset("Size"))


def payload_resource(exe):
    """The payload resource's bytes in an installer executable."""
    import pefile
    pe = pefile.PE(str(exe))
    entry = _payload_resource(pe)
    return pe.get_data(entry.data.struct.OffsetToData, entry.data.struct.Size)


def write_tree(root, files):
    """Writes {relative path with / or \\: bytes} below a host folder."""
    root = Path(root)
    root.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        path = root.joinpath(*name.replace("\\", "/").split("/"))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    return root
