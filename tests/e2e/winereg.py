"""Reading and editing Wine's registry files (system.reg, user.reg).

The files are only touched while the prefix's wineserver is down: it loads
them when it starts and writes them back when it stops. Values come back with
their exact type and data bytes, so a test can tell a REG_SZ stored with its
terminating zero (Wine writes it as "text") from one stored without it (Wine
writes it as hex(1):...).
"""

import re
import time

REG_NONE = 0
REG_SZ = 1
REG_EXPAND_SZ = 2
REG_BINARY = 3
REG_DWORD = 4
REG_MULTI_SZ = 7

_C_ESCAPES = {"a": 7, "b": 8, "t": 9, "n": 10, "v": 11, "f": 12, "r": 13, "e": 27}
_ESCAPE_LETTERS = {code: letter for letter, code in _C_ESCAPES.items()}


class RegValue:
    """One value: its registry type and its data bytes, exactly as stored."""

    def __init__(self, kind, data):
        self.kind = kind
        self.data = bytes(data)

    def __eq__(self, other):
        return isinstance(other, RegValue) and (self.kind, self.data) == (other.kind, other.data)

    def __repr__(self):
        return "RegValue(%d, %r)" % (self.kind, self.data)

    @property
    def text(self):
        """The data as UTF-16 text, without one terminating zero if present."""
        data = self.data
        if len(data) >= 2 and len(data) % 2 == 0 and data[-2:] == b"\0\0":
            data = data[:-2]
        return data.decode("utf-16-le", errors="replace")

    @property
    def terminated(self):
        return len(self.data) >= 2 and len(self.data) % 2 == 0 and self.data[-2:] == b"\0\0"


def string_value(text, kind=REG_SZ):
    """A string value as Windows stores it: UTF-16 with one terminating zero."""
    return RegValue(kind, text.encode("utf-16-le") + b"\0\0")


def _unescape(text, pos, end_char):
    """Parses an escaped string starting after its opening quote or bracket;
    returns (decoded text, index after the closing character)."""
    out = []
    n = len(text)
    while pos < n:
        ch = text[pos]
        if ch == end_char:
            return "".join(out), pos + 1
        if ch != "\\":
            out.append(ch)
            pos += 1
            continue
        pos += 1
        if pos >= n:
            break
        ch = text[pos]
        if ch == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[pos + 1:])
            if m:
                out.append(chr(int(m.group(0), 16)))
                pos += 1 + len(m.group(0))
                continue
            out.append("x")
            pos += 1
        elif ch in "01234567":
            m = re.match(r"[0-7]{1,3}", text[pos:])
            out.append(chr(int(m.group(0), 8)))
            pos += len(m.group(0))
        elif ch in _C_ESCAPES:
            out.append(chr(_C_ESCAPES[ch]))
            pos += 1
        else:
            out.append(ch)
            pos += 1
    raise ValueError("unterminated string in registry file: %r" % text)


def _escape(text, specials):
    """Escapes like Wine's dump_strW: C escapes, hex for non-ASCII, a
    backslash before the backslash and the given special characters."""
    out = []
    for i, ch in enumerate(text):
        code = ord(ch)
        following = text[i + 1] if i + 1 < len(text) else ""
        if code > 127:
            if following and ord(following) < 128 and following in "0123456789abcdefABCDEF":
                out.append("\\x%04x" % code)
            else:
                out.append("\\x%x" % code)
        elif code < 32:
            if code in _ESCAPE_LETTERS:
                out.append("\\" + _ESCAPE_LETTERS[code])
            elif following and following in "01234567":
                out.append("\\%03o" % code)
            else:
                out.append("\\%o" % code)
        else:
            if ch == "\\" or ch in specials:
                out.append("\\")
            out.append(ch)
    return "".join(out)


def _parse_data(text):
    """Parses the data after "name=" into a RegValue."""
    if text.startswith('"'):
        s, _ = _unescape(text, 1, '"')
        return string_value(s)
    m = re.match(r"str\(([0-9a-fA-F]+)\):\"", text)
    if m:
        s, _ = _unescape(text, m.end(), '"')
        return string_value(s, int(m.group(1), 16))
    if text.startswith("dword:"):
        return RegValue(REG_DWORD, int(text[6:].strip(), 16).to_bytes(4, "little"))
    m = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:", text)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else REG_BINARY
        digits = text[m.end():].replace(",", " ").split()
        return RegValue(kind, bytes(int(d, 16) for d in digits))
    raise ValueError("unknown registry data: %r" % text)


def _format_data(value):
    data, kind = value.data, value.kind
    if kind in (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) and value.terminated:
        s = _escape(data[:-2].decode("utf-16-le"), '"')
        return ('"%s"' % s) if kind == REG_SZ else ('str(%x):"%s"' % (kind, s))
    if kind == REG_DWORD and len(data) == 4:
        return "dword:%08x" % int.from_bytes(data, "little")
    prefix = "hex:" if kind == REG_BINARY else "hex(%x):" % kind
    lines, line = [], prefix
    for i, b in enumerate(data):
        piece = "%02x" % b + ("," if i + 1 < len(data) else "")
        if len(line) + len(piece) > 76:
            lines.append(line + "\\")
            line = "  "
        line += piece
    lines.append(line)
    return "\n".join(lines)


class _Key:
    def __init__(self, name, stamp, meta):
        self.name = name
        self.stamp = stamp
        self.meta = meta  # "#time=..." and other hash lines, kept as they are
        self.values = []  # [name or None for the default value, RegValue]

    def find(self, name):
        for i, (n, _) in enumerate(self.values):
            if (n is None and name is None) or (
                    n is not None and name is not None and n.lower() == name.lower()):
                return i
        return -1


class RegFile:
    """One Wine registry file, parsed into keys and values and written back."""

    def __init__(self, path):
        self.path = path
        with open(path, "r", encoding="utf-8", errors="surrogateescape") as f:
            text = f.read()
        self.preamble = []
        self.keys = []
        current = None
        lines = text.split("\n")
        i = 0
        while i < len(lines):
            line = lines[i]
            while line.endswith("\\") and i + 1 < len(lines) and not line.startswith("["):
                i += 1
                line = line[:-1] + lines[i].lstrip()
            i += 1
            if line.startswith("["):
                name, after = _unescape(line, 1, "]")
                current = _Key(name, line[after:].strip(), [])
                self.keys.append(current)
            elif current is None:
                self.preamble.append(line)
            elif line.startswith("#"):
                current.meta.append(line)
            elif line.startswith("@=") or line.startswith('"'):
                if line.startswith("@="):
                    name, rest = None, line[2:]
                else:
                    name, after = _unescape(line, 1, '"')
                    rest = line[after + 1:] if line[after:after + 1] == "=" else ""
                    if line[after:after + 1] != "=":
                        raise ValueError("bad value line %r" % line)
                current.values.append([name, _parse_data(rest)])
        while self.preamble and self.preamble[-1] == "":
            self.preamble.pop()

    def _key(self, name, create=False):
        lower = name.lower()
        for key in self.keys:
            if key.name.lower() == lower:
                return key
        if not create:
            return None
        key = _Key(name, str(int(time.time())), [])
        self.keys.append(key)
        return key

    def values(self, key):
        """{name: RegValue} of a key (the default value under None), or None."""
        k = self._key(key)
        return None if k is None else {n: v for n, v in k.values}

    def value(self, key, name):
        k = self._key(key)
        if k is None:
            return None
        i = k.find(name)
        return None if i < 0 else k.values[i][1]

    def has_key(self, key):
        return self._key(key) is not None

    def subkeys(self, key):
        """Names of the keys directly below `key` that exist in the file."""
        prefix = key.lower() + "\\"
        names = []
        for k in self.keys:
            if k.name.lower().startswith(prefix) and "\\" not in k.name[len(prefix):]:
                names.append(k.name[len(prefix):])
        return names

    def set_value(self, key, name, value):
        k = self._key(key, create=True)
        i = k.find(name)
        if i >= 0:
            k.values[i][1] = value
        else:
            k.values.append([name, value])

    def delete_value(self, key, name):
        k = self._key(key)
        if k is not None:
            i = k.find(name)
            if i >= 0:
                del k.values[i]

    def delete_key(self, key):
        """Deletes a key and everything below it."""
        lower = key.lower()
        self.keys = [k for k in self.keys
                     if k.name.lower() != lower and not k.name.lower().startswith(lower + "\\")]

    def save(self):
        out = list(self.preamble)
        out.append("")
        for k in self.keys:
            out.append("[%s] %s" % (_escape(k.name, "[]"), k.stamp))
            out.extend(k.meta)
            for name, value in k.values:
                head = "@" if name is None else '"%s"' % _escape(name, '"')
                out.append(head + "=" + _format_data(value))
            out.append("")
        with open(self.path, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write("\n".join(out) + "\n")
