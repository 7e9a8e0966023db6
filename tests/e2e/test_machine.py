"""Faults of the target machine: a full disk (a small file system mapped as
a Wine drive, and a file-size quota), a read-only install folder, targets
held by programs that cannot be stopped, a missing or unwritable temporary
folder, unreadable folder values in the registry and an Uninstall key that
refuses writes. Each ends in its defined outcome, with the temporary files
removed and no half-written file left as if installed."""

import itertools
import random
import subprocess
import unittest

import payloads
import winereg
from scenario import (CURRENT_VERSION_KEY, ENTRIES_SKIPPED, INSTALLED, NOTHING_INSTALLED,
                      SHELL_FOLDERS_KEY, STOPPED_ON_WRITE, UNINSTALL_KEY,
                      WRITE_FAILURE_CAPTION, Scenario, helper_bytes, parse_profile,
                      run_leftovers, write_failure_text)
from testbed import read_record
from uninstalling import our_uninstaller

MIB = 1 << 20
ACCESS_DENIED = "5"


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


class MachineFaults(Scenario):

    def setUp(self):
        super().setUp()
        self.machine  # Wine settles the prefix before any snapshot
        self.ready_names = itertools.count(1)

    def attempt(self, setup, **options):
        before = self.prefix.snapshot()
        run = self.install(setup, **options)
        return run, self.changed_since(before)

    def assertWriteFailureStop(self, run, path):
        self.assertFalse(run.timed_out, "the installer did not end")
        self.assertEqual(run.code, STOPPED_ON_WRITE, "exit code")
        self.assertEqual(len(run.dialogs), 1, run.dialogs)
        self.assertEqual(run.dialogs[0].caption, WRITE_FAILURE_CAPTION)
        self.assertEqual(run.dialogs[0].text, write_failure_text(path))

    def assertNothingHappened(self, run, changed):
        self.assertFinishedQuietly(run, code=NOTHING_INSTALLED)
        self.assertEqual(changed, [], "files changed on drive C:")

    def registered(self, products):
        registry = self.prefix.registry("HKLM")
        return [p for p in products if registry.values(UNINSTALL_KEY + "\\" + p) is not None]

    def use_temp(self, folder):
        """Points TEMP and TMP of the prefix's user at `folder`."""
        self.prefix.set_values("HKCU", "Environment", {"TEMP": folder, "TMP": folder})

    def left_in(self, host_folder):
        """Run folders, payload copies and index files left in a host folder."""
        return run_leftovers(host_folder)

    def small_drive(self, letter, size):
        """Mounts a tmpfs of `size` bytes and maps it as a drive of the
        prefix (before the next program starts); skips the case where this
        user cannot mount."""
        folder = self.prefix.root / ("drive-" + letter)
        folder.mkdir()
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0777" % size, "tmpfs",
                               str(folder)], capture_output=True, text=True)
        if done.returncode != 0:
            self.skipTest("cannot mount a small file system here: %s" % done.stderr.strip())
        self.addCleanup(self._unmount, folder)
        self.prefix.stop_server()
        self.prefix.map_drive(letter, folder)
        return folder

    def _unmount(self, folder):
        # The prefix's programs may still hold files on it.
        self.prefix.stop_server()
        if subprocess.run(["umount", str(folder)], capture_output=True).returncode != 0:
            subprocess.run(["umount", "-l", str(folder)], capture_output=True)

    def immutable(self, host_path):
        """chattr +i, which holds back root as well; skips where impossible."""
        if subprocess.run(["chattr", "+i", str(host_path)], capture_output=True).returncode != 0:
            self.skipTest("cannot make %s immutable here (chattr +i)" % host_path)
        self.addCleanup(subprocess.run, ["chattr", "-i", str(host_path)], capture_output=True)

    # -- a full disk ---------------------------------------------------------

    def test_full_disk_in_the_middle_of_a_large_file_stops_and_removes_it(self):
        # The big file compresses to almost nothing, so that only its own
        # write meets the limit.
        files = {"A_FIRST.TXT": b"first\r\n", "B_BIG.BIN": bytes(8 * MIB) + b"end",
                 "C_AFTER.TXT": b"after\r\n"}
        for label, folder, limit in (("a full drive", "D:\\App", None),
                                     ("a file-size quota", "C:\\AzQuota\\App", 2 * MIB)):
            with self.subTest(case=label):
                if limit is None:
                    self.small_drive("d", 2 * MIB)
                product = "AzFull" if limit is None else "AzQuota"
                setup = self.installer(files, name=product + ".exe", install_folder=folder,
                                       product_name=product)
                run, changed = self.attempt(setup, file_size_limit=limit)

                self.assertWriteFailureStop(run, folder + "\\B_BIG.BIN")
                if limit is None:
                    app = self.prefix.path / "dosdevices" / "d:" / "App"
                    found = {p.name: p.read_bytes() for p in app.iterdir()} if app.is_dir() else {}
                    self.assertEqual(changed, [], "files changed on drive C:")
                else:
                    found = self.prefix.files_under(folder)
                    self.assertChangedOnlyUnder(changed, [folder])
                # No truncated file left as if installed, nothing after it,
                # and the file before it taken back with the folder made for it.
                self.assertEqual(found, {})
                self.assertNoTemporaryFiles()
        self.assertEqual(self.registered(["AzFull", "AzQuota"]), [])

    def test_full_temporary_folder_installs_nothing_and_leaves_nothing(self):
        # The payload copy does not fit; then the copy fits but the entry
        # index written after it does not.
        files = {"A.TXT": b"a\r\n", "B.BIN": random_bytes(1, 2 * MIB)}
        setup = self.installer(files, name="big.exe", install_folder="C:\\AzTempFull",
                               product_name="AzTempFull")
        small = {"A.TXT": b"a\r\n", "B.BIN": random_bytes(2, 100000)}
        small_setup = self.installer(small, name="small.exe", install_folder="C:\\AzIndexFull",
                                     product_name="AzIndexFull")
        copy_size = len(payloads.payload_resource(self.build / "small.exe"))
        pages = (copy_size + 4095) // 4096
        for label, letter, size, exe in (
                ("no room for the payload copy", "e", 1 * MIB, setup),
                ("room for the copy, not for the index", "f", (pages + 1) * 4096, small_setup)):
            with self.subTest(case=label):
                drive = self.small_drive(letter, size)
                (drive / "Temp").mkdir()
                if exe is small_setup:
                    # The copy fits and a file of the index's size after it
                    # does not (checked here, then removed).
                    self.assertTrue(self._fits(drive / "probe1", copy_size))
                    self.assertFalse(self._fits(drive / "probe2", 7176))
                    for probe in ("probe1", "probe2"):
                        (drive / probe).unlink()
                self.use_temp(letter.upper() + ":\\Temp")
                run, changed = self.attempt(exe)

                self.assertNothingHappened(run, changed)
                self.assertEqual(self.left_in(drive / "Temp"), [])
        self.assertEqual(self.registered(["AzTempFull", "AzIndexFull"]), [])

    @staticmethod
    def _fits(path, size):
        try:
            with open(path, "wb") as f:
                f.write(bytes(size))
            return True
        except OSError:
            return False

    # -- read-only and held targets --------------------------------------------

    def test_read_only_install_folder_stops_the_run(self):
        # Entries go in byte order: A.TXT, sub\B.TXT, sub\C.TXT, z_last.txt.
        files = {"A.TXT": b"a\r\n", "sub\\B.TXT": b"b\r\n", "sub\\C.TXT": b"c\r\n",
                 "z_last.txt": b"z\r\n"}
        cases = (("the install folder", "C:\\AzReadOnly\\App", "", "A.TXT"),
                 ("a folder inside it", "C:\\AzReadOnly\\Sub", "sub", "sub\\B.TXT"))
        for n, (label, folder, frozen, first_refused) in enumerate(cases):
            with self.subTest(case=label):
                target = self.prefix.host(folder)
                (target / frozen).mkdir(parents=True)
                self.immutable(target / frozen)
                setup = self.installer(files, name="ro%d.exe" % n, install_folder=folder,
                                       product_name="AzReadOnly%d" % n)
                run, changed = self.attempt(setup)

                self.assertWriteFailureStop(run, folder + "\\" + first_refused)
                # A.TXT, written before sub\\B.TXT, is taken back.
                self.assertEqual(self.prefix.files_under(folder), {})
                self.assertChangedOnlyUnder(changed, [folder])
                self.assertNoTemporaryFiles()
        self.assertEqual(self.registered(["AzReadOnly0", "AzReadOnly1"]), [])

    def hold(self, windows_path, content):
        """Puts `content` at a path and has a program hold it with no
        sharing; that program is not the one being installed, so nothing
        can stop it."""
        self.prefix.host(windows_path).parent.mkdir(parents=True, exist_ok=True)
        self.prefix.host(windows_path).write_bytes(content)
        ready = "C:\\azwork\\held-%d.ready" % next(self.ready_names)
        self.prefix.start(self.prefix.helper("az_locker.exe"), [windows_path, ready])
        self.assertTrue(self.prefix.wait_for_file(ready), "the locker did not start")

    def test_targets_held_by_a_program_that_cannot_be_stopped(self):
        windows = self.machine.windows.rstrip("\\")
        self.use_program_files("C:\\Program Files")
        product_folder = "C:\\Program Files\\i-Vorta"
        main = helper_bytes("az_mainprog.exe")

        # The main program's file, held by another program: the stop finds
        # no copy of the main program running, and the write fails.
        folder = "C:\\AzHeld\\Main"
        self.hold(folder + "\\APP.EXE", b"old main program")
        files = {"A.TXT": b"a\r\n", "APP.EXE": main, "Z.TXT": b"z\r\n"}
        setup = self.installer(files, name="main.exe", install_folder=folder,
                               main_program="APP.EXE", product_name="AzHeldMain")
        run, changed = self.attempt(setup)
        self.assertWriteFailureStop(run, folder + "\\APP.EXE")
        self.assertEqual(self.prefix.files_under(folder), {"APP.EXE": b"old main program"})
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertEqual(self.prefix.records("main"), [], "a program was started")
        self.assertNoTemporaryFiles()

        # The companion program in the product folder.
        folder = "C:\\AzHeld\\Companion"
        self.hold(product_folder + "\\YPH.EXE", b"old companion")
        files = {"A.TXT": b"a\r\n", "YPH.EXE": b"new companion", "Z.TXT": b"z\r\n"}
        setup = self.installer(files, name="companion.exe", install_folder=folder,
                               product_name="AzHeldCompanion")
        run, changed = self.attempt(setup)
        self.assertWriteFailureStop(run, product_folder + "\\YPH.EXE")
        self.assertEqual(self.prefix.files_under(folder), {})
        self.assertEqual(self.prefix.host(product_folder + "\\YPH.EXE").read_bytes(),
                         b"old companion")
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

        # The uninstaller in the Windows folder: skipped without a word, the
        # rest installed and registered with an empty uninstaller path.
        folder = "C:\\AzHeld\\Uninstaller"
        self.hold(windows + "\\TAVUUNINSTALL.EXE", b"old uninstaller")
        files = {"A.TXT": b"a\r\n", "TAVUUNINSTALL.EXE": our_uninstaller(b"new"),
                 "Z.TXT": b"z\r\n"}
        setup = self.installer(files, name="uninstaller.exe", install_folder=folder,
                               product_name="AzHeldUninstaller")
        run, changed = self.attempt(setup)
        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles(folder, {"A.TXT": files["A.TXT"], "Z.TXT": files["Z.TXT"]})
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         b"old uninstaller")
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

        registry = self.prefix.registry("HKLM")
        entry = registry.values(UNINSTALL_KEY + "\\AzHeldUninstaller")
        self.assertEqual({k: entry[k] for k in ("DisplayName", "UninstallString")}, {
            "DisplayName": winereg.string_value("AzHeldUninstaller"),
            "UninstallString": winereg.string_value('"" "%s\\TAVUUNINSTALL.INI"' % folder)})
        self.assertNotIn("QuietUninstallString", entry, "no uninstaller was installed")
        for product in ("AzHeldMain", "AzHeldCompanion"):
            self.assertIsNone(registry.values(UNINSTALL_KEY + "\\" + product), product)

    # -- the temporary folder ----------------------------------------------------

    def test_missing_or_unwritable_temporary_folder(self):
        files = {"A.TXT": b"a\r\n", "B.TXT": b"b\r\n"}
        self.prefix.host("C:\\azwork\\Frozen").mkdir()
        self.immutable(self.prefix.host("C:\\azwork\\Frozen"))
        self.prefix.host("C:\\azwork\\NotAFolder").write_bytes(b"a file")
        cases = [
            # Only the last level of a missing temporary folder is made.
            ("two levels missing", "C:\\AzNoTemp\\Deeper\\Temp", False),
            ("one level missing", "C:\\azwork\\NewTemp", True),
            ("an immutable folder", "C:\\azwork\\Frozen", False),
            ("a file, not a folder", "C:\\azwork\\NotAFolder", False),
        ]
        for n, (label, temp, installs) in enumerate(cases):
            with self.subTest(case=label):
                folder = "C:\\AzTemp%d" % n
                setup = self.installer(files, name="temp%d.exe" % n, install_folder=folder,
                                       product_name="AzTemp%d" % n)
                self.use_temp(temp)
                run, changed = self.attempt(setup)

                self.assertFinishedQuietly(run, code=INSTALLED if installs else NOTHING_INSTALLED)
                if installs:
                    self.assertFiles(folder, files)
                    self.assertChangedOnlyUnder(changed, [folder, temp])
                else:
                    self.assertEqual(changed, [], "files changed on drive C:")
                self.assertEqual(self.left_in(self.prefix.host(temp)), [])
        self.assertEqual(self.registered(["AzTemp%d" % n for n in range(len(cases))]),
                         ["AzTemp1"])

    # -- the registry --------------------------------------------------------------

    def guard_key(self, hive, key):
        """Has az_regguard make a key refuse every access for as long as the
        prefix's programs run; fails when the refusal did not take."""
        ready = "C:\\azwork\\guard-%d.txt" % next(self.ready_names)
        self.prefix.start(self.prefix.helper("az_regguard.exe"), [hive, key, ready])
        self.assertTrue(self.prefix.wait_for_file(ready), "az_regguard did not start")
        record, _ = read_record(self.prefix.host(ready))
        self.assertEqual((record.get("read_open"), record.get("write_open")),
                         (ACCESS_DENIED, ACCESS_DENIED),
                         "the key %s still lets programs in: %r" % (key, record))

    def test_unreadable_program_files_and_shell_folder_values(self):
        # The product folder becomes "\i-Vorta" on the current drive and a
        # shell folder that cannot be read gives an empty folder part: the
        # places the rules name for them, here on drive C: (the installer
        # runs from C:\azwork).
        windows = self.machine.windows.rstrip("\\")
        self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop", "Personal": None})
        companion = {"A.TXT": b"a\r\n", "YPH.EXE": b"companion"}

        def companion_path():
            sections = dict(parse_profile(self.profile(windows + "\\TAVU.INI")))
            return dict(sections["YPH"])["Path"]

        program_files_cases = [
            ("ProgramFilesDir deleted", None, "\\i-Vorta"),
            ("ProgramFilesDir a REG_DWORD of 0", winereg.RegValue(winereg.REG_DWORD, bytes(4)),
             "\\i-Vorta"),
            # Data is taken as text whatever its type.
            ("ProgramFilesDir REG_BINARY text without its end",
             winereg.RegValue(winereg.REG_BINARY, b"C:\\AzBinary"), "C:\\AzBinary\\i-Vorta"),
        ]
        for n, (label, value, product_folder) in enumerate(program_files_cases):
            with self.subTest(case=label):
                if value is None:
                    self.prefix.delete_value("HKLM", CURRENT_VERSION_KEY, "ProgramFilesDir")
                else:
                    self.prefix.set_values("HKLM", CURRENT_VERSION_KEY,
                                           {"ProgramFilesDir": value})
                folder = "C:\\AzProgramFiles%d" % n
                setup = self.installer(companion, name="pf%d.exe" % n, install_folder=folder,
                                       product_name="AzProgramFiles%d" % n)
                run, changed = self.attempt(setup)

                self.assertFinishedQuietly(run)
                on_c = "C:" + product_folder if product_folder.startswith("\\") \
                    else product_folder
                self.assertFiles(folder, {"A.TXT": companion["A.TXT"]})
                self.assertEqual(self.prefix.host(on_c + "\\YPH.EXE").read_bytes(),
                                 companion["YPH.EXE"])
                self.assertEqual(companion_path(), product_folder + "\\YPH.EXE")
                self.assertChangedOnlyUnder(changed, [folder, on_c, windows + "\\TAVU.INI"])
                self.assertNoTemporaryFiles()
        self.use_program_files("C:\\Program Files")

        plain = {"A.TXT": b"a\r\n"}
        shell_cases = [
            # A shell folder missing: the desktop instead.
            ("Personal missing", "%Personal%\\AzMine", "C:\\azshell\\Desktop\\AzMine", None),
            # No desktop either: the folder part is empty.
            ("Desktop missing", "%desktop%\\AzNoDesk", "C:\\AzNoDesk", {"Desktop": None}),
        ]
        for n, (label, template, folder, change) in enumerate(shell_cases):
            with self.subTest(case=label):
                if change:
                    self.use_shell_folders(change)
                setup = self.installer(plain, name="shell%d.exe" % n, install_folder=template,
                                       product_name="AzShell%d" % n)
                run, changed = self.attempt(setup)

                self.assertFinishedQuietly(run)
                self.assertFiles(folder, plain)
                self.assertChangedOnlyUnder(changed, [folder])
                self.assertNoTemporaryFiles()

        # Both keys refusing to be read at all.
        with self.subTest(case="keys that refuse reading"):
            self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop"})
            self.guard_key("HKLM", CURRENT_VERSION_KEY)
            self.guard_key("HKCU", SHELL_FOLDERS_KEY)
            folder = "C:\\AzGuarded"
            setup = self.installer(companion, name="guarded.exe", install_folder="%desktop%"
                                   "\\AzGuarded", product_name="AzGuarded")
            run, changed = self.attempt(setup)

            self.assertFinishedQuietly(run)
            self.assertFiles(folder, {"A.TXT": companion["A.TXT"]})
            self.assertEqual(self.prefix.host("C:\\i-Vorta\\YPH.EXE").read_bytes(),
                             companion["YPH.EXE"])
            self.assertChangedOnlyUnder(changed, [folder, "C:\\i-Vorta",
                                                  windows + "\\TAVU.INI"])
            self.assertNoTemporaryFiles()

    def test_uninstall_key_refusing_writes(self):
        # Wine enforces a key's access list even for this administrator: the
        # product's Uninstall key is made to refuse everything. The files
        # and the profile are written; the registry values are not.
        key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\AzDenied"
        self.guard_key("HKLM", key)
        folder = "C:\\AzDenied"
        files = {"A.TXT": b"a\r\n", "B.TXT": b"b\r\n"}
        setup = self.installer(files, install_folder=folder, product_name="AzDenied")
        run, changed = self.attempt(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles(folder, files)
        self.assertEqual(dict(parse_profile(self.profile(folder + "\\TAVUUNINSTALL.INI"))), {
            "FILES": [(folder + "\\A.TXT", "1"), (folder + "\\B.TXT", "1")],
            "HKLM": [(key, "")], "DIRS": [(folder, "1")]})
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()
        self.assertEqual(self.prefix.registry("HKLM").values(UNINSTALL_KEY + "\\AzDenied"), {},
                         "values written into a key that refuses writes")


if __name__ == "__main__":
    unittest.main(verbosity=2)
