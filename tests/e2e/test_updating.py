"""An update over the version already installed: a running main program is
asked to close before the first file is written, every file goes in beside
its target and takes its place only when complete, a stopped update gives
the old version back whole, and what an interrupted run left beside its
targets is cleared by the next run or by the uninstaller."""

import hashlib
import random
import re
import subprocess
import unittest

import uninstalling
from scenario import INSTALLED, STOPPED_ON_WRITE, WRITE_FAILURE_CAPTION, Scenario, \
    helper_bytes, write_failure_text

MIB = 1 << 20
# Names of the files an installer puts beside its targets.
SIDE_FILE = re.compile(r"\.~az(new|old)[0-9a-f]{1,8}$")
# No process of a fresh prefix has this id: its side files are leftovers.
DEAD = "7ffffff0"


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def files_in(root):
    """{relative path: SHA-256} of every file below a host folder."""
    return {str(p.relative_to(root)): hashlib.sha256(p.read_bytes()).hexdigest()
            for p in root.rglob("*") if p.is_file()}


class Updating(Scenario):

    def setUp(self):
        super().setUp()
        self.machine  # Wine settles the prefix first

    def version(self, files, name, folder, **header):
        """An installer of the product AzUpdate that carries the uninstaller."""
        return self.installer(files, name=name, install_folder=folder, product_name="AzUpdate",
                              uninstaller=uninstalling.uninstaller_file(), **header)

    def side_files(self, root, windows=True):
        """Every file named like a side file below the host folder `root`,
        and in the Windows folder itself (where the uninstaller goes)."""
        found = [str(p.relative_to(root)) for p in root.rglob("*") if SIDE_FILE.search(p.name)]
        if windows:
            found += [p.name for p in self.prefix.host(self.machine.windows).iterdir()
                      if SIDE_FILE.search(p.name)]
        return sorted(found)

    def uninstall(self):
        entry = self.uninstall_entry("AzUpdate")
        self.assertIsNotNone(entry, "no Uninstall entry")
        return uninstalling.run_command(self.prefix, entry["QuietUninstallString"].text)

    def test_update_over_a_running_program_that_holds_a_library(self):
        folder = "C:\\AzUpdate\\App"
        program = helper_bytes("az_unsaved.exe")
        v1 = {"APP.DLL": b"library v1", "APP.EXE": program + b"v1", "DATA\\OLD.TXT": b"old"}
        v2 = {"APP.DLL": b"library v2", "APP.EXE": program + b"v2", "DATA\\NEW.TXT": b"new"}
        self.assertFinishedQuietly(self.install(
            self.version(v1, "v1.exe", folder, main_program="APP.EXE")))
        # v1's installer started it.
        self.assertTrue(self.wait_for_record("unsaved", "window_ready"), "v1 did not start")
        self.assertEqual(self.prefix.records("unsaved")[0]["holds_library"], "1")

        # APP.DLL comes before APP.EXE: the program is stopped before it.
        run = self.install(self.version(v2, "v2.exe", folder, main_program="APP.EXE"))
        self.assertFinishedQuietly(run)
        self.assertTrue(self.wait_for_record("unsaved", "window_ready", 2), "v2 was not started")
        started = self.prefix.records("unsaved")
        self.assertIn("closed_time", started[0], "v1 was stopped without being asked to close")
        self.assertFiles(folder, dict(v2, **{"DATA\\OLD.TXT": b"old"}))
        self.assertEqual(self.side_files(self.prefix.host(folder)), [])

    def test_update_that_does_not_fit_leaves_the_old_version_whole(self):
        drive = self.prefix.root / "drive-d"
        drive.mkdir()
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0777" % (4 * MIB),
                               "tmpfs", str(drive)], capture_output=True, text=True)
        if done.returncode != 0:
            self.skipTest("cannot mount a small file system here: %s" % done.stderr.strip())
        self.addCleanup(self._unmount, drive)
        self.prefix.stop_server()
        self.prefix.map_drive("d", drive)

        folder = "D:\\App"
        v1 = {"A.EXE": random_bytes(1, 100000), "BIG.DAT": random_bytes(2, MIB),
              "DATA\\OLD.TXT": b"old"}
        v2 = {"A.EXE": random_bytes(3, 100000), "B_NEW.DLL": random_bytes(4, 100000),
              "BIG.DAT": random_bytes(5, 4 * MIB), "DATA\\NEW.TXT": b"new",
              "NEWDIR\\N.TXT": b"n"}
        self.assertFinishedQuietly(self.install(self.version(v1, "v1.exe", folder)))
        app = drive / "App"
        v1_files = files_in(app)
        windows = self.machine.windows.rstrip("\\")
        uninstaller = self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes()

        # A.EXE is replaced and B_NEW.DLL added before BIG.DAT meets the full
        # disk: both are undone.
        run = self.install(self.version(v2, "v2.exe", folder))
        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, STOPPED_ON_WRITE, "exit code")
        self.assertEqual([(d.caption, d.text) for d in run.dialogs],
                         [(WRITE_FAILURE_CAPTION, write_failure_text(folder + "\\BIG.DAT"))])
        self.assertEqual(files_in(app), v1_files, "v1, byte for byte")
        self.assertEqual(sorted(p.name for p in app.iterdir()),
                         ["A.EXE", "BIG.DAT", "DATA", "TAVUUNINSTALL.INI"])
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         uninstaller)
        self.assertEqual(self.side_files(app), [])
        self.assertNoTemporaryFiles()

        # v1 still uninstalls cleanly.
        removal = self.uninstall()
        self.assertEqual(removal.code, 0, removal.run.output[-2000:])
        self.assertFalse(app.exists(), "the install folder stays")
        self.assertIsNone(self.uninstall_entry("AzUpdate"))

    def _unmount(self, folder):
        self.prefix.stop_server()
        if subprocess.run(["umount", str(folder)], capture_output=True).returncode != 0:
            subprocess.run(["umount", "-l", str(folder)], capture_output=True)

    def test_a_killed_run_leaves_nothing_after_the_next_one(self):
        self.use_program_files("C:\\Program Files")
        folder = "C:\\AzUpdate\\Killed"
        v1 = {"A.TXT": b"a v1", "B.DLL": b"b v1", "DATA\\OLD.TXT": b"old"}
        # YPH.EXE comes last: the installer waits on the companion's window,
        # which keeps it waiting a minute, with A.TXT already replaced.
        v2 = {"A.TXT": b"a v2", "C.DLL": b"c v2", "DATA\\NEW.TXT": b"new",
              "YPH.EXE": b"new companion"}
        self.assertFinishedQuietly(self.install(self.version(v1, "v1.exe", folder)))
        setup = self.version(v2, "v2.exe", folder)
        before = len(self.prefix.records("companion"))
        self.prefix.start(self.prefix.helper("az_companion.exe"), ["--close-delay", "60000"])
        self.assertTrue(self.wait_for_record("companion", "window_ready", before + 1))
        self.prefix.start(setup)
        self.assertTrue(self.wait_for_record("companion", "close_time", before + 1),
                        "the installer did not reach the companion")
        self.prefix.stop_server()  # the installer dies mid-walk

        kept = self.side_files(self.prefix.host(folder), windows=False)
        self.assertTrue(any("A.TXT.~azold" in p for p in kept), kept)
        # What an earlier death may have left too, and names that are not ours.
        host = self.prefix.host(folder)
        planted = {"R.TXT.~azold" + DEAD: b"original r", "DATA\\NEW.TXT.~aznew" + DEAD: b"part"}
        others = {"A.TXT.~azold": b"not ours", "A.TXT.~AZOLD10": b"not ours",
                  "A.TXT.~aznew123456789": b"not ours", "A.TXT.~aznew12g": b"not ours"}
        for name, data in dict(planted, **others).items():
            (host / name.replace("\\", "/")).write_bytes(data)

        run = self.install(setup)
        self.assertFinishedQuietly(run)
        expected = dict(v2, **others)
        expected.pop("YPH.EXE")
        expected.update({"B.DLL": b"b v1", "DATA\\OLD.TXT": b"old", "R.TXT": b"original r"})
        self.assertFiles(folder, expected)
        self.assertEqual(self.side_files(self.prefix.host(folder)), [])

        # The uninstaller clears a leftover beside the files it removes; the
        # files that are not its own stay.
        (host / ("A.TXT.~aznew" + DEAD)).write_bytes(b"part")
        removal = self.uninstall()
        self.assertEqual(removal.code, 0, removal.run.output[-2000:])
        remaining = self.prefix.files_under(folder)
        self.assertEqual(self.side_files(self.prefix.host(folder)), [])
        for name in list(others) + ["R.TXT"]:
            self.assertEqual(remaining.get(name), expected[name], name)
        for name in ("A.TXT", "C.DLL", "DATA\\NEW.TXT"):
            self.assertNotIn(name, remaining)


if __name__ == "__main__":
    unittest.main(verbosity=2)
