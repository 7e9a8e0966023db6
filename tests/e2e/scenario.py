"""The common ground of the scenario files: a test case whose every test runs
in its own Wine prefix, with the steps and checks the scenarios share.

A new case, in outline:
  - make the installer: self.installer({path: bytes}, install_folder=...,
    main_program=..., ...) through azpack, or for a payload azpack would
    refuse, payloads.payload_bytes(payloads.header_bytes(...), [Entry(...)])
    (raw chunks, forced sizes, hand-made pages) and self.raw_installer(...);
  - prepare the machine: files through self.prefix.host(...), registry values
    through self.prefix.set_values, use_shell_folders, use_program_files
    (registry access stops the prefix's programs: prepare before starting
    any), stand-ins through self.prefix.start(self.prefix.helper(...));
  - run it: run = self.install(exe, watch_window=True) gives the exit code,
    the duration, every message box and the progress window;
  - check: assertFinishedQuietly, assertFiles, self.profile(...),
    self.uninstall_entry(...), self.shortcut(...), self.prefix.records(role),
    before = self.prefix.snapshot() and then
    self.assertChangedOnlyUnder(self.changed_since(before), [folders]) for
    anything written elsewhere;
  - several installers at once: observers.run_together(prefix, [exe, ...]).
"""

import re
import time
import unittest

import observers
import payloads
import shortcuts
import testbed
import winereg

UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
SHELL_FOLDERS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
USER_SHELL_FOLDERS_KEY = \
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"
CURRENT_VERSION_KEY = "Software\\Microsoft\\Windows\\CurrentVersion"
APP_PATHS_MANAGER_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe"

# The installer's exit codes (README, "Exit codes").
INSTALLED = 0
NOTHING_INSTALLED = 1
STOPPED_ON_WRITE = 2
TABLE_DAMAGED = 3
NO_DEVICE_MANAGER = 4
ENTRIES_SKIPPED = 5
PAYLOAD_DAMAGED = 6

WRITE_FAILURE_CAPTION = b"Installation impossible"
NO_MANAGER_TEXT = b"Windows CE Application Manager non trouv\xe9"


def write_failure_text(path):
    """The write-failure message for a target path, in Windows-1252."""
    return (b"Le fichier\n\t" + path.encode("cp1252") +
            b"\nne peut \xeatre mis \xe0 jour.\nV\xe9rifiez que vous disposez des droits "
            b"n\xe9cessaires pour installer dans ce r\xe9pertoire, fermez toutes les "
            b"applications actives, puis relancez cette installation.")


def profile_text(sections):
    """A profile file as Wine's profile functions write it: [(section,
    [(key, value)])] -> bytes, CR LF line ends, no blank lines."""
    out = b""
    for name, lines in sections:
        out += b"[" + name.encode("cp1252") + b"]\r\n"
        for key, value in lines:
            out += key.encode("cp1252") + b"=" + value.encode("cp1252") + b"\r\n"
    return out


def parse_profile(data):
    """bytes of a profile file -> [(section, [(key, value)])], texts in
    Windows-1252."""
    sections = []
    for raw in data.decode("cp1252").replace("\r\n", "\n").split("\n"):
        line = raw.strip()
        if not line:
            continue
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], []))
        elif sections:
            key, _, value = line.partition("=")
            sections[-1][1].append((key, value))
    return sections


def helper_path(name):
    return testbed.settings().helper(name)


RUN_FOLDER = re.compile(r"AZ[0-9A-Fa-f]{16}$")


def run_leftovers(host_folder):
    """What installation runs left in a host folder: their private folders
    ("AZ" and 16 hexadecimal digits) and payload copies or index files."""
    return sorted(p.name for p in host_folder.iterdir()
                  if RUN_FOLDER.match(p.name) or p.name.upper().startswith("TARCH")
                  or p.name.upper().endswith(".AX")) if host_folder.is_dir() else []


def helper_bytes(name):
    return helper_path(name).read_bytes()


class Scenario(unittest.TestCase):
    """Each test gets a fresh prefix (self.prefix) and a build folder on the
    host (self.build) for its installers."""

    maxDiff = None

    def setUp(self):
        self.prefix = testbed.WinePrefix(self.id().rsplit(".", 1)[-1])
        self.prefix.__enter__()
        self.addCleanup(self.prefix.close)
        self.build = self.prefix.root / "build"
        self.build.mkdir()
        self._machine = None

    # -- facts about the machine ------------------------------------------

    @property
    def machine(self):
        if self._machine is None:
            self._machine = observers.Machine(self.prefix)
        return self._machine

    def shell_folder(self, name):
        """A value of the user's Shell Folders key, as stored (None if absent)."""
        value = self.prefix.registry("HKCU").value(SHELL_FOLDERS_KEY, name)
        return None if value is None else value.text

    def use_shell_folders(self, folders, create=True):
        """Sets the user's shell folders ({name: path, or None to remove it})
        and creates the folders. "User Shell Folders" is set as well: the
        shell rewrites "Shell Folders", which the installer reads, from it
        whenever a program asks for a folder."""
        reg = self.prefix.registry("HKCU")
        for name, path in folders.items():
            for key in (SHELL_FOLDERS_KEY, USER_SHELL_FOLDERS_KEY):
                if path is None:
                    reg.delete_value(key, name)
                else:
                    reg.set_value(key, name, winereg.string_value(path))
            if path is not None and create:
                self.prefix.host(path).mkdir(parents=True, exist_ok=True)
        reg.save()

    def use_program_files(self, path, create=True):
        self.prefix.set_values("HKLM", CURRENT_VERSION_KEY, {"ProgramFilesDir": path})
        if create:
            self.prefix.host(path).mkdir(parents=True, exist_ok=True)

    # -- installers -------------------------------------------------------

    def installer(self, files, name="setup.exe", **header):
        """Builds an installer with azpack from {relative path: bytes} and
        puts it into C:\\azwork; returns its Windows path."""
        source = payloads.write_tree(self.build / (name + ".src"), files)
        out = payloads.build_installer(source, self.build / name, **header)
        return self._place(out, name)

    def raw_installer(self, payload, name="setup.exe"):
        """Stamps hand-made payload bytes into the stub; returns its path."""
        out = payloads.stamp(payload, self.build / name)
        return self._place(out, name)

    def _place(self, host_file, name):
        target = "C:\\azwork\\" + name
        self.prefix.copy_in(host_file, target)
        return target

    def install(self, exe, **options):
        return observers.run_observed(self.prefix, exe, **options)

    def wait_for_record(self, role, key, count=1, timeout=30):
        """Waits until `count` stand-ins of `role` have recorded `key`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if sum(key in r for r in self.prefix.records(role)) >= count:
                return True
            time.sleep(0.1)
        return False

    # -- checks -------------------------------------------------------------

    def assertFinishedQuietly(self, observation, code=INSTALLED):
        """The exit code `code`, no time-out and not a single message box."""
        self.assertFalse(observation.timed_out, "the installer did not end")
        self.assertEqual(observation.code, code,
                         "exit code; Wine said: %r" % observation.run.output[-2000:])
        self.assertEqual(observation.dialogs, [], "no message box expected")

    def assertFiles(self, folder, expected, ignore=("TAVUUNINSTALL.INI",)):
        """The files below a folder are exactly `expected` ({relative path:
        bytes}), byte for byte; names compare without regard to case."""
        found = {k.lower(): v for k, v in self.prefix.files_under(folder).items()
                 if k.upper() not in ignore}
        wanted = {k.replace("/", "\\").lower(): v for k, v in expected.items()}
        self.assertEqual(sorted(found), sorted(wanted), "files in %s" % folder)
        for name, data in wanted.items():
            self.assertTrue(found[name] == data, "content of %s\\%s" % (folder, name))

    def assertNoTemporaryFiles(self):
        """No run folder, payload copy or entry index file left in the temp
        folder."""
        temp = self.prefix.host(self.machine.temp_folder)
        self.assertEqual(run_leftovers(temp), [], "temporary files left in %s" % temp)

    def changed_since(self, before):
        """The paths on drive C: (as snapshot names them) that differ from
        the snapshot `before`: added, removed or rewritten."""
        after = self.prefix.snapshot()
        return sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))

    def assertChangedOnlyUnder(self, changed, folders, msg=""):
        """Every changed path lies inside one of `folders` (Windows paths on
        C:, or single files), or is a folder above one of them (made on the
        way there)."""
        allowed = [f.replace("/", "\\")[3:].rstrip("\\").lower() for f in folders]
        outside = [p for p in changed
                   if not any(p.lower() == a or p.lower().startswith(a + "\\") or
                              a.startswith(p.lower() + "\\") for a in allowed)]
        self.assertEqual(outside, [], "changed outside %s %s" % (folders, msg))

    def profile(self, windows_path):
        """The bytes of a profile file, or None."""
        path = self.prefix.host(windows_path)
        return path.read_bytes() if path.is_file() else None

    def uninstall_entry(self, product):
        """{name: RegValue} of the product's Uninstall key, or None."""
        return self.prefix.registry("HKLM").values(UNINSTALL_KEY + "\\" + product)

    def shortcut(self, windows_path):
        path = self.prefix.host(windows_path)
        self.assertTrue(path.is_file(), "shortcut %s missing" % windows_path)
        return shortcuts.read_shortcut(path)

    def lnk_files(self, folder):
        root = self.prefix.host(folder)
        return sorted(p.name for p in root.iterdir() if p.suffix.upper() == ".LNK") \
            if root.is_dir() else []


    def assertProgressWindow(self, sighting, title, command_line=None, painted=False):
        """The progress window as observed: class settings, styles, size from
        the waiting text's extent, centred on the screen, its titles (the
        command line when given, then the run's title), and
        with painted=True text pixels in RGB(0, 0, 64)."""
        self.assertIsNotNone(sighting)
        self.assertTrue(sighting.visible, "the progress window was never seen shown")
        number = sighting.number
        if command_line is None:
            self.assertEqual(sighting.titles[-1], title, "title during the run")
        else:
            # The observer polls: a quick run may end before it sees the
            # run's title, or set it before the first was read, but the two
            # never come in another order.
            shown = [command_line, title]
            self.assertIn(sighting.titles, [shown, shown[:1], shown[1:]], "titles in order")
        self.assertEqual(number("class_style"), 3, "CS_HREDRAW | CS_VREDRAW")
        style, ex_style = number("style"), number("exstyle")
        self.assertEqual(ex_style & 0x280, 0x280, "WS_EX_CLIENTEDGE | WS_EX_TOOLWINDOW")
        self.assertEqual(ex_style & ~0x380, 0, "no other extended style but WS_EX_WINDOWEDGE")
        self.assertTrue(style & 0x10000000 and style & 0x00800000, "WS_VISIBLE | WS_BORDER")
        self.assertEqual(style & 0xC0000000, 0, "neither WS_POPUP nor WS_CHILD")
        self.assertEqual(style & 0x000F0000, 0, "no system menu, sizing border or boxes")
        width = number("text_width") + 4 * number("sm_cxedge") + 120
        height = number("text_height") + number("sm_cysmcaption") + 4 * number("sm_cyedge")
        self.assertEqual((sighting.width, sighting.height), (width, height), "window size")
        x = int((number("screen_cx") - width) / 2)
        y = int((number("screen_cy") - height) / 2)
        self.assertEqual(sighting.window_rect[:2], (x, y), "centred on the screen")
        if painted:
            self.assertGreater(number("text_pixels_exact") + number("text_pixels_near"), 20,
                               "the waiting text in RGB(0, 0, 64) on screen: %r" % sighting)
