"""What the uninstaller scenarios share: where TAVUUNINSTALL.EXE is, running
an Uninstall entry's command as Windows would (the command line split by
the CommandLineToArgvW rules), answering its question, and a snapshot of
the prefix (file contents under drive_c outside the test bed's folders, the
HKLM and HKCU registry keys that hold values) to tell exactly what a removal changed."""

import hashlib
import itertools
import os
import struct
from pathlib import Path

import observers
import payloads
import winereg
from testbed import read_record

PROFILE_NAME = "TAVUUNINSTALL.INI"
PENDING_KEY = "System\\CurrentControlSet\\Control\\Session Manager"
TEST_BED_FOLDERS = ("azwork", "azhelpers", "azrecords")
TITLE = b"D\xe9sinstallation"
KEY_PREFIX = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"

# Keys that Wine itself rewrites whenever a prefix starts programs (font
# lists, network cards, display and device classes), whatever ran.
WINE_OWN_KEYS = ("hkcu\\software\\wine\\fonts",
                 "hklm\\software\\microsoft\\windows nt\\currentversion\\fonts",
                 "hklm\\software\\microsoft\\windows nt\\currentversion\\networkcards",
                 "hklm\\software\\microsoft\\windows\\currentversion\\fonts",
                 "hklm\\system\\currentcontrolset\\control\\class")

_counter = itertools.count(1)


def uninstaller_file():
    """The uninstaller of the build under test (ctest sets AZ_UNINSTALLER)."""
    path = os.environ.get("AZ_UNINSTALLER")
    if not path:
        raise RuntimeError("AZ_UNINSTALLER is not set (ctest in a Windows build sets it)")
    return Path(path)


def install_product(scenario, name, files, folder, **header):
    """Installs a product that carries the uninstaller (a Scenario method);
    returns its Uninstall entry."""
    source = payloads.write_tree(scenario.build / (name + ".src"), files)
    out = payloads.build_installer(
        source, scenario.build / (name + ".exe"), install_folder=folder, product_name=name,
        uninstaller=uninstaller_file(), **header)
    scenario.prefix.copy_in(out, "C:\\azwork\\%s.exe" % name)
    scenario.assertFinishedQuietly(scenario.install("C:\\azwork\\%s.exe" % name))
    return scenario.uninstall_entry(name)


def our_uninstaller(tag=b"", version=None):
    """The bytes of the build's uninstaller, as an installer carries it:
    `tag` appended after its image (Windows and the installer's version check
    ignore it) tells copies apart; `version`, four numbers, replaces the
    FileVersion of its version resource."""
    data = bytearray(uninstaller_file().read_bytes())
    if version is not None:
        at = data.find(struct.pack("<I", 0xFEEF04BD))
        struct.pack_into("<II", data, at + 8, version[0] << 16 | version[1],
                         version[2] << 16 | version[3])
    return bytes(data) + tag


def split_command_line(line):
    """argv as CommandLineToArgvW gives it: the program name ends at the
    closing quote (or the first blank), then 2n backslashes before a quote
    give n and toggle quoting, 2n+1 give n and a literal quote."""
    argv, i, n = [], 0, len(line)
    if line.startswith('"'):
        end = line.find('"', 1)
        end = n if end < 0 else end
        argv.append(line[1:end])
        i = end + 1
    else:
        while i < n and line[i] not in " \t":
            i += 1
        argv.append(line[:i])
    while True:
        while i < n and line[i] in " \t":
            i += 1
        if i >= n:
            return argv
        arg, quoted = "", False
        while i < n and (quoted or line[i] not in " \t"):
            if line[i] == "\\":
                count = 0
                while i < n and line[i] == "\\":
                    count += 1
                    i += 1
                if i < n and line[i] == '"':
                    arg += "\\" * (count // 2)
                    if count % 2:
                        arg += '"'
                        i += 1
                    continue
                arg += "\\" * count
                continue
            if line[i] == '"':
                if quoted and i + 1 < n and line[i + 1] == '"':
                    arg += '"'
                    i += 2
                    continue
                quoted = not quoted
                i += 1
                continue
            arg += line[i]
            i += 1
        argv.append(arg)


def run_command(prefix, command, answer="no", timeout=120, dll_overrides=None):
    """Runs an Uninstall entry's command line as the system does (whole, to
    CreateProcess, through the az_run helper, which also keeps the full exit
    code) with the dialog watcher answering a Yes/No question with `answer`;
    returns an observers.Observation whose code is the uninstaller's."""
    n = next(_counter)
    timeout_ms = str(int((timeout + 60) * 1000))
    job = observers._start_watcher(prefix, "az_dialogs.exe", "uninstall-%d" % n,
                                   timeout_ms, extra=[answer])
    result = "C:\\azwork\\observe\\uninstall-code-%d.txt" % n
    run = prefix.run(prefix.helper("az_run.exe"), [result, command], timeout=timeout,
                     dll_overrides=dll_overrides)
    top, sections = observers._finish_watcher(prefix, *job)
    path = prefix.host(result)
    fields = read_record(path)[0] if path.exists() else {}
    run.code = int(fields["code"]) if fields.get("started") == "1" else None
    return observers.Observation(run, [observers.Dialog(s) for s in sections], None,
                                 top.get("finished") == "1")


def snapshot(prefix):
    """{"file C:\\...": digest, "dir C:\\...": None, "HKLM\\key": {value: (kind, data)}}."""
    state = {}
    root = prefix.drive_c
    for dirpath, dirnames, names in os.walk(root):
        rel_dir = Path(dirpath).relative_to(root)
        if rel_dir.parts and rel_dir.parts[0].lower() in TEST_BED_FOLDERS:
            dirnames[:] = []
            continue
        for name in dirnames:
            state["dir c:\\" + "\\".join((rel_dir / name).parts).lower()] = None
        for name in names:
            full = Path(dirpath) / name
            rel = "\\".join((rel_dir / name).parts).lower()
            if full.is_symlink():
                state["link c:\\" + rel] = os.readlink(full)
            else:
                state["file c:\\" + rel] = hashlib.sha256(full.read_bytes()).hexdigest()
    for hive in ("HKLM", "HKCU"):
        for key in prefix.registry(hive).file.keys:
            # A key without values comes and goes as Wine saves the hive.
            if (hive + "\\" + key.name).lower().startswith(WINE_OWN_KEYS) or not key.values:
                continue
            state[hive + "\\" + key.name.lower()] = {
                (name or "").lower(): (value.kind, value.data) for name, value in key.values}
    return state


def differences(before, after):
    """Sorted [(entry, "added"|"removed"|"changed")]."""
    changes = []
    for entry in sorted(set(before) | set(after)):
        if entry not in after:
            changes.append((entry, "removed"))
        elif entry not in before:
            changes.append((entry, "added"))
        elif before[entry] != after[entry]:
            changes.append((entry, "changed"))
    return changes


def register(prefix, name, folder, uninstaller, bits=None):
    """Writes an Uninstall entry as an installer (an administrator) would:
    InstallLocation `folder`, commands running `uninstaller` on the folder's
    TAVUUNINSTALL.INI, in the registry view of a program of `bits` (the
    stub's by default)."""
    profile = folder + "\\" + PROFILE_NAME
    reg = prefix.registry("HKLM", bits)
    for value, text in (("DisplayName", name), ("InstallLocation", folder),
                        ("UninstallString", '"%s" "%s"' % (uninstaller, profile)),
                        ("QuietUninstallString", '"%s" /S "%s"' % (uninstaller, profile))):
        reg.set_value(KEY_PREFIX + name, value, winereg.string_value(text))
    reg.save()


def wine_short_name(name):
    """The 8.3 alias Wine gives a long name ("Program Files" -> "PROG~FBU"):
    four characters, "~", then three characters of a hash of the name."""
    chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"
    lower = name.lower()
    value = 0xBEEF
    for i in range(len(lower) - 1):
        value = ((value << 3) ^ (value >> 5) ^ ord(lower[i]) ^ (ord(lower[i + 1]) << 8)) & 0xFFFF
    value = ((value << 3) ^ (value >> 5) ^ ord(lower[-1])) & 0xFFFF
    dot = name.rfind(".", 1, len(name) - 1)
    stem = name[:dot] if dot > 0 else name
    head = "".join("_" if c in '*?<>|"+=,;[] \\/:.' else c.upper() for c in stem[:4])
    short = head + "~" * (5 - len(head)) + chars[(value >> 10) & 31] + \
        chars[(value >> 5) & 31] + chars[value & 31]
    return short + ("." + name[dot + 1:dot + 4].upper() if dot > 0 else "")
