"""Other programs of the machine against a running installer: links planted
at the temporary names and inside an install folder that existed before,
a program of the same user that tries to write the run's temporary files
while the installer waits, and a run killed half-way, whose leftovers the
next run removes. Nothing outside the install folder changes, the installed
bytes are the payload's."""

import os
import random
import unittest

import payloads
import uninstalling
from scenario import (ENTRIES_SKIPPED, INSTALLED, RUN_FOLDER, Scenario, helper_bytes,
                      run_leftovers)
from testbed import read_record

ACCESS_DENIED = 5
SHARING_VIOLATION = 32


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def aces(sddl):
    """The access entries of an SDDL access list, as (rights, trustee)."""
    entries = sddl.split("(")[1:]
    return [(e.split(";")[2], e.rstrip(")").split(";")[5]) for e in entries]


class Tampering(Scenario):

    def setUp(self):
        super().setUp()
        self.machine  # Wine settles the prefix before any snapshot

    @property
    def temp(self):
        return self.prefix.host(self.machine.temp_folder)

    def tamper_records(self):
        return [read_record(p) for p in sorted((self.prefix.drive_c / "azrecords")
                                               .glob("tamper-*.txt"))]

    def start_tamperer(self, args=()):
        count = len(self.prefix.records("tamper"))
        self.prefix.start(self.prefix.helper("az_tamper.exe"), args)
        self.assertTrue(self.wait_for_record("tamper", "window_ready", count + 1),
                        "the tamperer did not start")

    def dacl(self, windows_path):
        out = "C:\\azwork\\dacl-%d.txt" % len(list(self.prefix.host("C:\\azwork").iterdir()))
        run = self.prefix.run(self.prefix.helper("az_tamper.exe"), ["--dacl", windows_path, out])
        self.assertEqual(run.code, 0, run.output)
        return read_record(self.prefix.host(out))[0]

    def test_links_at_the_old_temporary_names_lead_nowhere(self):
        # Each run works in a new folder of its own: a link at the fixed
        # name of the payload copy, to a file the run must never touch, is
        # not even looked at.
        win_ini = self.prefix.host(self.machine.windows.rstrip("\\") + "\\win.ini")
        before_ini = win_ini.read_bytes()
        self.temp.mkdir(parents=True, exist_ok=True)
        os.symlink(win_ini, self.temp / "TARCH.AZ")
        files = {"A.TXT": b"a\r\n", "B.BIN": random_bytes(1, 300000)}
        setup = self.installer(files, name="linked.exe", install_folder="C:\\AzTempLink",
                               product_name="AzTempLink")
        before = self.prefix.snapshot()
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzTempLink", files)
        self.assertEqual(win_ini.read_bytes(), before_ini)
        self.assertTrue((self.temp / "TARCH.AZ").is_symlink())
        self.assertChangedOnlyUnder(self.changed_since(before), ["C:\\AzTempLink"])
        self.assertEqual([n for n in run_leftovers(self.temp) if n != "TARCH.AZ"], [])

    def test_another_program_cannot_write_the_run_files_while_it_runs(self):
        # The tamperer stands in for the companion program: the installer
        # waits for it to close while holding its files, and in that time
        # it tries to open each for writing and to delete it, and to move
        # the install folder away (where a link could then take its place).
        files = {"A.TXT": b"a\r\n", "DATA.BIN": random_bytes(2, 2 << 20),
                 "YPH.EXE": helper_bytes("az_companion.exe"), "Z.TXT": b"z\r\n"}
        setup = self.installer(files, name="tamper.exe", install_folder="C:\\AzTamper",
                               product_name="AzTamper")
        self.start_tamperer(["--rename", "C:\\AzTamper"])
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzTamper", {k: v for k, v in files.items() if k != "YPH.EXE"})
        (top, sections), = self.tamper_records()
        self.assertIn("close_time", top, "the installer never asked the tamperer to close")
        self.assertIn(int(top["rename_error"]), (ACCESS_DENIED, SHARING_VIOLATION), top)
        folders = [s for s in sections if s["_name"] == "folder"]
        tried = [s for s in sections if s["_name"] == "file"]
        self.assertEqual(len(folders), 1, sections)
        folder = folders[0]["path"]
        self.assertTrue(RUN_FOLDER.match(folder.rstrip("\\").rsplit("\\", 1)[1]), folder)
        names = sorted(s["path"][len(folder):].upper() for s in tried)
        self.assertEqual(len(names), 2, tried)
        self.assertEqual(names[1], "TARCH.AZ")
        self.assertRegex(names[0], r"^[0-9A-F]{1,16}\.AX$")
        for attempt in tried:
            self.assertTrue(attempt["path"].startswith(folder), attempt)
            self.assertIn(int(attempt["write"]), (ACCESS_DENIED, SHARING_VIOLATION), attempt)
            self.assertIn(int(attempt["delete"]), (ACCESS_DENIED, SHARING_VIOLATION), attempt)
        # The installer runs elevated: its folder admits administrators and
        # SYSTEM only. Wine keeps no access list of its own, it shows what
        # the file's mode allows: no entry for anyone else.
        trustees = [t for _, t in aces(folders[0]["dacl"])]
        self.assertNotIn("WD", trustees, folders[0]["dacl"])
        self.assertNotIn("BU", trustees, folders[0]["dacl"])
        self.assertIn("WD", [t for _, t in aces(self.dacl(self.machine.temp_folder)["dacl"])])
        self.assertNoTemporaryFiles()

    def test_links_inside_an_install_folder_that_existed_before(self):
        # An install folder outside Program Files that ordinary users could
        # write: one of its sub-folders is a link to system32, and another
        # install folder is itself such a link. Entries on the way through
        # a link are skipped as unsafe names are; the rest is installed.
        windows = self.machine.windows.rstrip("\\")
        system32 = self.prefix.host(windows + "\\system32")
        existing = self.prefix.host("C:\\AzLinked")
        existing.mkdir()
        os.symlink(system32, existing / "lib")
        os.symlink(system32, self.prefix.host("C:\\AzLinkedRoot"))
        files = {"A.TXT": b"a\r\n", "lib\\data.txt": b"planted\r\n",
                 "lib\\deeper\\more.txt": b"more\r\n", "Z.TXT": b"z\r\n"}
        setup = self.installer(files, name="inside.exe", install_folder="C:\\AzLinked",
                               product_name="AzLinked")
        rooted = self.installer({"data.txt": b"planted\r\n"}, name="root.exe",
                                install_folder="C:\\AzLinkedRoot", product_name="AzLinkedRoot")
        before = self.prefix.snapshot()
        inside = self.install(setup)
        root = self.install(rooted)
        changed = self.changed_since(before)

        self.assertFinishedQuietly(inside, code=ENTRIES_SKIPPED)
        self.assertFinishedQuietly(root, code=ENTRIES_SKIPPED)
        self.assertEqual(self.prefix.host("C:\\AzLinked\\A.TXT").read_bytes(), b"a\r\n")
        self.assertEqual(self.prefix.host("C:\\AzLinked\\Z.TXT").read_bytes(), b"z\r\n")
        self.assertFalse((system32 / "data.txt").exists())
        self.assertFalse((system32 / "deeper").exists())
        self.assertChangedOnlyUnder(changed, ["C:\\AzLinked\\A.TXT", "C:\\AzLinked\\Z.TXT",
                                              "C:\\AzLinked\\TAVUUNINSTALL.INI"])
        self.assertNoTemporaryFiles()

    def test_a_folder_made_outside_program_files_is_closed_to_ordinary_users(self):
        files = {"A.TXT": b"a\r\n", "sub\\B.TXT": b"b\r\n"}
        setup = self.installer(files, name="guarded.exe", install_folder="C:\\AzGuarded\\App",
                               product_name="AzGuarded")
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzGuarded\\App", files)
        # Wine shows the file modes the access list left: no entry for
        # everyone, where a folder made the ordinary way has one.
        for folder in ("C:\\AzGuarded", "C:\\AzGuarded\\App", "C:\\AzGuarded\\App\\sub"):
            trustees = [t for _, t in aces(self.dacl(folder)["dacl"])]
            self.assertNotIn("WD", trustees, folder)
        self.assertIn("WD", [t for _, t in aces(self.dacl("C:\\azwork")["dacl"])])

    def test_what_a_killed_run_left_goes_with_the_next_run(self):
        # The first run is killed while it waits for the companion program
        # with its payload copy made; a power loss is played by a run
        # folder written from outside. The next run of any installer
        # removes both, and nothing that is not a run's own.
        self.temp.mkdir(parents=True, exist_ok=True)
        files = {"A.TXT": b"a\r\n", "BIG.BIN": random_bytes(3, 4 << 20),
                 "YPH.EXE": helper_bytes("az_companion.exe")}
        first = self.installer(files, name="first.exe", install_folder="C:\\AzKilled",
                               product_name="AzKilled")
        self.prefix.start(self.prefix.helper("az_companion.exe"), ["--close-delay", "600000"])
        self.assertTrue(self.wait_for_record("companion", "window_ready"))
        job = self.prefix.start(first)
        self.assertTrue(self.wait_for_record("companion", "close_time"),
                        "the first run never reached the companion")
        self.assertTrue(any(RUN_FOLDER.match(n) for n in run_leftovers(self.temp)))
        job.kill()

        lost = self.temp / "AZ00FF00FF00FF00FF"
        lost.mkdir()
        (lost / "TARCH.AZ").write_bytes(random_bytes(4, 1 << 20))
        (lost / "1a2b.AX").write_bytes(bytes(4096))
        foreign = self.temp / "AZ0123456789ABCDEF"
        foreign.mkdir()
        (foreign / "notes.txt").write_bytes(b"someone's")
        elsewhere = self.prefix.host("C:\\AzElsewhere")
        elsewhere.mkdir()
        (elsewhere / "TARCH.AZ").write_bytes(b"not a run's")
        os.symlink(elsewhere, self.temp / "AZFEDCBA9876543210")
        self.prefix.stop_server()

        second = self.installer({"B.TXT": b"b\r\n"}, name="second.exe",
                                install_folder="C:\\AzSecond", product_name="AzSecond")
        run = self.install(second)
        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzSecond", {"B.TXT": b"b\r\n"})
        self.assertEqual(run_leftovers(self.temp), ["AZ0123456789ABCDEF", "AZFEDCBA9876543210"])
        self.assertEqual((foreign / "notes.txt").read_bytes(), b"someone's")
        self.assertEqual((elsewhere / "TARCH.AZ").read_bytes(), b"not a run's")

    def test_the_uninstall_command_removes_what_killed_runs_left(self):
        # A product is installed, then a run of another installer dies; the
        # product's uninstall command, which may come first, removes that
        # run's folder and leaves a folder that is not a run's.
        name, folder = "AzSweepUninstall", "C:\\AzSweepUninstall"
        out = payloads.build_installer(
            payloads.write_tree(self.build / "sweep.src", {"A.TXT": b"a\r\n"}),
            self.build / "sweep.exe", install_folder=folder, product_name=name,
            uninstaller=uninstalling.uninstaller_file())
        self.prefix.copy_in(out, "C:\\azwork\\sweep.exe")
        self.assertFinishedQuietly(self.install("C:\\azwork\\sweep.exe"))
        lost = self.temp / "AZ0F0F0F0F0F0F0F0F"
        lost.mkdir(parents=True)
        (lost / "TARCH.AZ").write_bytes(random_bytes(5, 1 << 20))
        kept = self.temp / "AZ0000000000000001"
        kept.mkdir()
        (kept / "TARCH.AZ.keep").write_bytes(b"not a run's")

        entry = self.uninstall_entry(name)
        removal = uninstalling.run_command(self.prefix, entry["QuietUninstallString"].text)
        self.assertEqual(removal.code, 0)
        self.assertFalse(self.prefix.host(folder).exists())
        self.assertEqual(run_leftovers(self.temp), ["AZ0000000000000001"])
        self.assertEqual((kept / "TARCH.AZ.keep").read_bytes(), b"not a run's")


if __name__ == "__main__":
    unittest.main(verbosity=2)
