"""Concurrency and repetition: two installers started at the same moment in
one prefix, a payload copy that another program holds, the same payload
installed twice, and an installation while the main program of the
previous one runs."""

import random
import unittest

import observers
import winereg
from scenario import (RUN_FOLDER, UNINSTALL_KEY, Scenario, helper_bytes, helper_path,
                      parse_profile)
from uninstalling import our_uninstaller

SHELL = {"Desktop": "C:\\azshell\\Desktop", "Favorites": "C:\\azshell\\Favorites",
         "Start Menu": "C:\\azshell\\Start Menu",
         "Programs": "C:\\azshell\\Start Menu\\Programs"}


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


class ConcurrencyAndRepetition(Scenario):

    def setUp(self):
        super().setUp()
        self.use_shell_folders(SHELL)
        self.machine  # Wine settles the prefix before any snapshot

    @property
    def temp(self):
        return self.prefix.host(self.machine.temp_folder)

    def copies_in_temp(self):
        """Payload copies in the temp folder and in the runs' own folders
        there ("<run folder>\\TARCH.AZ")."""
        if not self.temp.is_dir():
            return []
        found = []
        for p in self.temp.iterdir():
            if p.name.upper().startswith("TARCH"):
                found.append(p.name)
            elif RUN_FOLDER.match(p.name) and p.is_dir() and not p.is_symlink():
                found += [p.name + "\\" + f.name for f in p.iterdir()
                          if f.name.upper().startswith("TARCH")]
        return sorted(found)

    def start_old_main(self, path):
        """Puts an old main program at `path` and starts it; returns the job."""
        self.prefix.copy_in(helper_path("az_mainprog.exe"), path, extra=b"OLD")
        count = len(self.prefix.records("main"))
        job = self.prefix.start(path)
        self.assertTrue(self.wait_for_record("main", "start_time", count + 1),
                        "the old main program did not start")
        return job

    def test_two_installers_started_together_both_install(self):
        # Each installer stops a running copy of its main program and then
        # waits three seconds while holding its payload copy, so the two
        # runs overlap whatever the start-up order.
        installs = {}
        for n in ("A", "B"):
            folder = "C:\\AzTwin\\" + n
            files = {"APP.EXE": helper_bytes("az_mainprog.exe") + n.encode(),
                     "DATA%s.BIN" % n: random_bytes(ord(n), 2 << 20),
                     "sub\\NOTE%s.TXT" % n: n.encode() * 300,
                     "TAVUUNINSTALL.EXE": our_uninstaller(b"shared")}
            setup = self.installer(files, name="twin%s.exe" % n, install_folder=folder,
                                   main_program="APP.EXE", product_name="AzTwin" + n)
            old = self.start_old_main(folder + "\\APP.EXE")
            installs[n] = (folder, files, setup, old)

        before = self.prefix.snapshot()
        most = []

        def watch():
            most.append(len(self.copies_in_temp()))

        together = observers.run_together(self.prefix, [i[2] for i in installs.values()],
                                          poll=watch)
        changed = self.changed_since(before)

        self.assertEqual(together.codes, [0, 0])
        self.assertEqual(together.dialogs, [])
        self.assertGreaterEqual(max(most), 2, "the two runs never held a copy at the same time")
        windows = self.machine.windows.rstrip("\\")
        for n, (folder, files, _, old) in installs.items():
            with self.subTest(installer=n):
                self.assertIsNotNone(old.wait(10), "the old main program still runs")
                self.assertFiles(folder, {k: v for k, v in files.items()
                                          if k != "TAVUUNINSTALL.EXE"})
                listed = [k for k, _ in dict(parse_profile(
                    self.profile(folder + "\\TAVUUNINSTALL.INI")))["FILES"]]
                self.assertEqual(listed, [folder + "\\APP.EXE", folder + "\\DATA%s.BIN" % n,
                                          folder + "\\sub\\NOTE%s.TXT" % n,
                                          SHELL["Desktop"] + "\\AzTwin%s.LNK" % n])
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         our_uninstaller(b"shared"))
        self.assertChangedOnlyUnder(changed, ["C:\\AzTwin", SHELL["Desktop"],
                                              windows + "\\TAVUUNINSTALL.EXE"])
        self.assertNoTemporaryFiles()
        self.assertTrue(self.wait_for_record("main", "start_time", 4), "new main programs")
        started = sorted(r["module"] for r in self.prefix.records("main")[2:])
        self.assertEqual(started, [b"C:\\AzTwin\\A\\APP.EXE", b"C:\\AzTwin\\B\\APP.EXE"])
        registry = self.prefix.registry("HKLM")
        for n in installs:
            self.assertEqual(registry.values(UNINSTALL_KEY + "\\AzTwin" + n)["DisplayName"],
                             winereg.string_value("AzTwin" + n))

    def test_payload_copy_held_by_another_program(self):
        # Each run makes its copy in a folder of its own: a file at the old
        # fixed name, held by another program or left by nobody, is never
        # touched.
        files = {"A.TXT": b"a\r\n", "B.BIN": random_bytes(7, 300000)}
        held = self.machine.temp_folder + "\\TARCH.AZ"
        self.prefix.host(held).write_bytes(b"another run's copy")
        ready = "C:\\azwork\\held.ready"
        self.prefix.start(self.prefix.helper("az_locker.exe"), [held, ready])
        self.assertTrue(self.prefix.wait_for_file(ready))
        setup = self.installer(files, name="held.exe", install_folder="C:\\AzHeldCopy",
                               product_name="AzHeldCopy")
        before = self.prefix.snapshot()
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzHeldCopy", files)
        self.assertEqual(self.copies_in_temp(), ["TARCH.AZ"])
        self.assertEqual(self.prefix.host(held).read_bytes(), b"another run's copy")
        self.assertChangedOnlyUnder(self.changed_since(before), ["C:\\AzHeldCopy"])
        self.prefix.stop_server()

        self.prefix.host(held).write_bytes(b"stale copy of a run that crashed")
        setup = self.installer(files, name="stale.exe", install_folder="C:\\AzStaleCopy",
                               product_name="AzStaleCopy")
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzStaleCopy", files)
        self.assertEqual(self.copies_in_temp(), ["TARCH.AZ"])
        self.assertEqual(self.prefix.host(held).read_bytes(), b"stale copy of a run that crashed")

    def test_same_payload_twice_then_an_update_while_the_main_program_runs(self):
        folder = "C:\\AzAgain\\App"
        product = "AzAgain"
        v1 = {"APP.EXE": helper_bytes("az_mainprog.exe") + b"v1", "APP.ICO": b"\0\0\1\0icon",
              "doc\\LISEZMOI.TXT": b"lisez-moi\r\n"}
        header = dict(install_folder=folder, main_program="APP.EXE", icon_file="APP.ICO",
                      product_name=product, favorites_name="AzFav", start_menu_name="AzStart")
        setup = self.installer(v1, name="v1.exe", **header)
        registry_before = self.prefix.registry("HKLM").subkeys(UNINSTALL_KEY)

        first = self.install(setup)
        self.assertFinishedQuietly(first)
        self.assertTrue(self.wait_for_record("main", "start_time", 1), "main program not started")
        installed = self.prefix.files_under(folder)
        record = self.profile(folder + "\\TAVUUNINSTALL.INI")
        links = {s: self.lnk_files(p) for s, p in SHELL.items()}

        # Again, while the main program that the first run started runs: it
        # is stopped (its file could not be written otherwise) and the
        # installation ends exactly as the first one did.
        before = self.prefix.snapshot()
        second = self.install(setup)
        changed = self.changed_since(before)
        self.assertFinishedQuietly(second)
        self.assertEqual(self.prefix.files_under(folder), installed)
        self.assertEqual(self.profile(folder + "\\TAVUUNINSTALL.INI"), record)
        sections = dict(parse_profile(record))
        self.assertEqual(sections["DIRS"], [(folder, "1")])
        self.assertEqual(sections["HKLM"], [(
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product, "")])
        self.assertEqual({s: self.lnk_files(p) for s, p in SHELL.items()}, links)
        self.assertChangedOnlyUnder(changed, [folder] + list(SHELL.values()))
        self.assertTrue(self.wait_for_record("main", "start_time", 2), "not started again")

        # An update while the second run's main program runs: replaced.
        v2 = dict(v1, **{"APP.EXE": helper_bytes("az_mainprog.exe") + b"v2"})
        third = self.install(self.installer(v2, name="v2.exe", **header))
        self.assertFinishedQuietly(third)
        self.assertFiles(folder, v2)
        self.assertEqual(self.profile(folder + "\\TAVUUNINSTALL.INI"), record)
        self.assertTrue(self.wait_for_record("main", "start_time", 3), "v2 not started")
        self.assertEqual([r["module"] for r in self.prefix.records("main")],
                         [(folder + "\\APP.EXE").encode()] * 3)
        self.assertNoTemporaryFiles()

        registry = self.prefix.registry("HKLM")
        self.assertEqual(sorted(set(registry.subkeys(UNINSTALL_KEY)) - set(registry_before)),
                         [product], "one registry entry")
        self.assertEqual(sorted(registry.values(UNINSTALL_KEY + "\\" + product)),
                         ["DisplayIcon", "DisplayName", "EstimatedSize", "InstallLocation",
                          "NoModify", "NoRepair", "UninstallString"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
