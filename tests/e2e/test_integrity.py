"""An installer that cannot do its whole job does none of it: a damaged
payload is found before the first file is written (exit 6) while a payload
made before the checksum existed still installs; the shared uninstaller in
the Windows folder is never replaced by an older one or by a file that is
not an uninstaller of ours; an installation whose uninstall profile or
recorded paths would not fit is refused before anything is written."""

import unittest

import payloads
import uninstalling
from payloads import Entry
from scenario import (ENTRIES_SKIPPED, INSTALLED, NOTHING_INSTALLED, PAYLOAD_DAMAGED, Scenario,
                      helper_bytes, parse_profile)
from uninstalling import our_uninstaller

V1 = {"A.EXE": b"A v1", "B.DLL": b"B v1", "data\\old.txt": b"old v1\r\n"}
V2 = {"A.EXE": b"A v2", "C.DLL": b"C v2", "data\\new.txt": b"new v2\r\n",
      "zz\\LAST.BIN": bytes(range(256)) * 400}


class Integrity(Scenario):

    @property
    def windows(self):
        return self.machine.windows.rstrip("\\")

    def payload_only(self, files, name, **header):
        """A bare payload made by azpack, as bytes."""
        source = payloads.write_tree(self.build / (name + ".src"), files)
        out = self.build / (name + ".az")
        args = ["build", source, "-o", out, "--payload-only", "--lenient"]
        for option, value in header.items():
            args += ["--" + option.replace("_", "-"), value]
        payloads.azpack(*args)
        return bytearray(out.read_bytes())

    def attempt(self, setup):
        """(observation, what changed on drive C: and in the registry)."""
        before = uninstalling.snapshot(self.prefix)
        run = self.install(setup)
        return run, uninstalling.differences(before, uninstalling.snapshot(self.prefix))

    def assertNothingWritten(self, run, changes, code):
        self.assertFinishedQuietly(run, code=code)
        self.assertEqual(changes, [], "changed on drive C: or in the registry")
        self.assertNoTemporaryFiles()

    def test_a_damaged_installer_changes_nothing_and_an_old_one_still_installs(self):
        folder = "C:\\AzIntegrity"
        header = dict(install_folder=folder, product_name="AzIntegrity")
        self.assertFinishedQuietly(self.install(self.installer(V1, name="v1.exe", **header)))

        # One byte of the last entry's stream, late in the payload.
        damaged = self.payload_only(V2, "v2", **header)
        damaged[len(damaged) - 40] ^= 0x01
        run, changes = self.attempt(self.raw_installer(bytes(damaged), name="damaged.exe"))
        self.assertNothingWritten(run, changes, PAYLOAD_DAMAGED)
        self.assertFiles(folder, V1)
        verify = payloads.azpack("verify", self.build / "damaged.exe", check=False)
        self.assertEqual(verify.returncode, 1)
        self.assertIn(b"damaged: the data area's CRC-32 is", verify.stderr)

        # The same v2 written the way payloads were before the checksum.
        old = payloads.payload_bytes(
            payloads.header_bytes(installFolder=folder, productName="AzIntegrity"),
            [Entry(name, data) for name, data in sorted(V2.items())])
        self.assertFinishedQuietly(self.install(self.raw_installer(old, name="old.exe")))
        self.assertFiles(folder, {**V1, **V2})
        listed = dict(parse_profile(self.profile(folder + "\\TAVUUNINSTALL.INI")))["FILES"]
        self.assertIn((folder + "\\zz\\LAST.BIN", "1"), listed)

    def test_the_shared_uninstaller_is_never_replaced_by_an_older_or_foreign_one(self):
        shared = self.windows + "\\TAVUUNINSTALL.EXE"
        newer = our_uninstaller(b"newer", version=(9, 0, 0, 0))
        older = our_uninstaller(b"older", version=(1, 0, 0, 0))
        foreign = helper_bytes("az_mainprog.exe")  # a program, not an uninstaller of ours

        def product(name, uninstaller):
            files = {"F.TXT": name.encode(), "TAVUUNINSTALL.EXE": uninstaller}
            setup = self.installer(files, name=name + ".exe", install_folder="C:\\" + name,
                                   product_name=name)
            self.assertFinishedQuietly(self.install(setup), code=INSTALLED)
            return self.uninstall_entry(name)

        product("AzNewer", newer)
        self.assertEqual(self.prefix.host(shared).read_bytes(), newer)
        older_entry = product("AzOlder", older)
        foreign_entry = product("AzForeign", foreign)
        self.assertEqual(self.prefix.host(shared).read_bytes(), newer)
        for entry in (older_entry, foreign_entry):
            self.assertTrue(entry["QuietUninstallString"].text.startswith('"%s" /S' % shared))
        # The kept uninstaller removes a product whose installer carried another.
        removal = uninstalling.run_command(self.prefix, older_entry["QuietUninstallString"].text)
        self.assertEqual(removal.code, 0)
        self.assertFalse(self.prefix.host("C:\\AzOlder\\F.TXT").exists())
        self.assertIsNone(self.uninstall_entry("AzOlder"))

        # The same version replaces it; with none of ours in place, a foreign
        # file is not installed at all: skipped, as an entry that could not be.
        same = our_uninstaller(b"same", version=(9, 0, 0, 0))
        product("AzSame", same)
        self.assertEqual(self.prefix.host(shared).read_bytes(), same)
        self.prefix.host(shared).unlink()
        setup = self.installer({"F.TXT": b"f", "TAVUUNINSTALL.EXE": foreign}, name="alone.exe",
                               install_folder="C:\\AzAlone", product_name="AzAlone")
        self.assertFinishedQuietly(self.install(setup), code=ENTRIES_SKIPPED)
        self.assertFalse(self.prefix.host(shared).exists())

    def test_records_that_would_not_fit_are_refused_before_anything_is_written(self):
        # "C:\AzLong\" and components of 50 characters: 241 characters make
        # a profile path of 259, the most the uninstaller reads.
        base = "C:\\AzLong" + ("\\" + "d" * 49) * 4
        fits = base + "\\" + "e" * (241 - len(base) - 1)
        self.assertEqual(len(fits + "\\TAVUUNINSTALL.INI"), 259)
        # An entry's path leaves room for the 15 characters its side file's
        # name adds: 244 at most.
        files = {"A": b"a\r\n"}
        self.assertEqual(len(fits + "\\A"), 243)
        self.machine  # Wine settles the prefix before the first snapshot

        for name, folder, entries in (("toolong", fits + "x", files),
                                      ("entrylong", "C:\\AzLong2", {"f" * 250: b"f"}),
                                      ("noroombeside", "C:\\AzLong3", {"g" * 234: b"g"})):
            with self.subTest(name):
                setup = self.installer(entries, name=name + ".exe", install_folder=folder,
                                       product_name="AzLong")
                run, changes = self.attempt(setup)
                self.assertNothingWritten(run, changes, NOTHING_INSTALLED)

        setup = self.installer(files, name="fits.exe", install_folder=fits,
                               product_name="AzLong")
        self.assertFinishedQuietly(self.install(setup))
        self.assertFiles(fits, files)
        sections = dict(parse_profile(self.profile(fits + "\\TAVUUNINSTALL.INI")))
        self.assertEqual(sections["DIRS"], [(fits, "1")])


if __name__ == "__main__":
    unittest.main()
