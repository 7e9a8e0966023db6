"""TAVUUNINSTALL.EXE removes its own product and nothing else: a profile
edited in an install folder that ordinary users can write, listing what
lies in protected places or belongs to another product, reached through
8.3 names, another drive letter and links; profiles that no Uninstall
entry of this uninstaller names."""

import os
import unittest

import uninstalling
from scenario import UNINSTALL_KEY, Scenario, helper_bytes
from testbed import settings

KEPT_TEXT = (b" \xe9l\xe9ments de la liste ont \xe9t\xe9 laiss\xe9s en place par prudence\xa0: "
             b"ils ne font pas partie des dossiers du produit.")


class UninstallTrust(Scenario):

    product = uninstalling.install_product

    def victim(self, path, data):
        self.prefix.host(path).parent.mkdir(parents=True, exist_ok=True)
        self.prefix.host(path).write_bytes(data)
        return path

    def test_an_edited_profile_removes_only_its_own_product(self):
        # Drive E: is drive C: again, as a second mapping of the same disk.
        self.prefix.map_drive("e", self.prefix.drive_c)
        self.use_program_files("C:\\Program Files")
        windows = self.machine.windows.rstrip("\\")
        documents = self.shell_folder("Personal")
        desktop = self.shell_folder("Desktop")
        program = helper_bytes("az_mainprog.exe")
        other = "C:\\Program Files\\AzOther"
        self.product("AzOther", {"OTHER.EXE": program + b"other", "O.TXT": b"o",
                                 "sub/S.TXT": b"s"}, other, main_program="OTHER.EXE")
        folder = "C:\\Prod"
        entry = self.product("AzProd", {"APP.EXE": program + b"prod", "D.TXT": b"d"}, folder,
                             main_program="APP.EXE")
        victims = [self.victim("C:\\ProgramData\\AzVictim\\PD.TXT", b"pd"),
                   self.victim(documents + "\\DOC.TXT", b"doc"),
                   self.victim(windows + "\\system32\\azvictim.dll", b"dll")]
        # A user of the machine links a folder of the install folder to system32...
        os.symlink(self.prefix.host(windows + "\\system32"), self.prefix.host(folder) / "sys")
        # ...and adds to the profile what an ordinary process must not reach.
        short = "C:\\" + uninstalling.wine_short_name("Program Files") + "\\AzOther"
        files = ["C:\\ProgramData\\AzVictim\\PD.TXT", documents + "\\DOC.TXT",
                 other + "\\O.TXT", short + "\\sub\\S.TXT", "E" + other[1:] + "\\OTHER.EXE",
                 folder + "\\sys\\azvictim.dll", desktop + "\\AzOther.lnk"]
        dirs = ["C:\\ProgramData\\AzVictim", "C:\\ProgramData", documents, other, short,
                short + "\\sub", "E" + other[1:], folder + "\\sys", desktop, "C:\\users",
                windows + "\\system32"]
        keys = [uninstalling.KEY_PREFIX + "AzOther"]
        profile = self.prefix.host(folder + "\\" + uninstalling.PROFILE_NAME)
        profile.write_bytes(profile.read_bytes() + "\r\n".join(
            ["[FILES]"] + [f + "=1" for f in files] + ["[DIRS]"] + [d + "=1" for d in dirs] +
            ["[HKLM]"] + [k + "=" for k in keys]).encode("cp1252") + b"\r\n")
        before = uninstalling.snapshot(self.prefix)

        removal = uninstalling.run_command(self.prefix, entry["UninstallString"].text, "yes")
        refused = len(files) + len(dirs) + len(keys)
        self.assertEqual(removal.code, 2, removal.run.output[-2000:])
        # Only the product's own files, shortcut and key are gone.
        low = folder.lower()
        self.assertEqual(uninstalling.differences(before, uninstalling.snapshot(self.prefix)), [
            ("HKLM\\" + self.prefix.registry("HKLM").key(UNINSTALL_KEY + "\\AzProd").lower(),
             "removed"),
            ("file " + low + "\\app.exe", "removed"), ("file " + low + "\\d.txt", "removed"),
            ("file " + low + "\\tavuuninstall.ini", "removed"),
            ("file " + desktop.lower() + "\\azprod.lnk", "removed")])
        self.assertEqual(removal.dialogs[-1].text,
                         b"\xab\xa0AzProd\xa0\xbb n'a pas \xe9t\xe9 enti\xe8rement supprim\xe9."
                         b"\r\n\r\n" + str(refused).encode() + KEPT_TEXT)
        for path in victims:
            self.assertTrue(self.prefix.host(path).is_file(), path)
        self.assertIsNotNone(self.uninstall_entry("AzOther"))

        # The other product, untouched, still removes itself whole.
        whole = uninstalling.run_command(
            self.prefix, self.uninstall_entry("AzOther")["QuietUninstallString"].text)
        self.assertEqual(whole.code, 0, whole.run.output[-2000:])
        self.assertFalse(self.prefix.host(other).exists())
        self.assertFalse(self.prefix.host(desktop + "\\AzOther.lnk").exists())
        self.assertIsNone(self.uninstall_entry("AzOther"))

    def test_a_profile_that_no_entry_names_is_not_read(self):
        self.use_program_files("C:\\Program Files")
        windows = self.machine.windows.rstrip("\\")
        uninstaller = windows + "\\TAVUUNINSTALL.EXE"
        self.prefix.copy_in(uninstalling.uninstaller_file(), uninstaller)
        other_uninstaller = "C:\\azother\\TAVUUNINSTALL.EXE"
        self.prefix.copy_in(uninstalling.uninstaller_file(), other_uninstaller)
        cases = {
            # Planted anywhere, named by nothing.
            "C:\\azplant": None,
            # Named by an entry whose commands run another uninstaller.
            "C:\\azforeign": other_uninstaller,
            # Named by an entry, but a protected folder.
            "C:\\ProgramData": uninstaller,
        }
        for name, (folder, runs) in enumerate(cases.items()):
            self.victim(folder + "\\P%d.TXT" % name, b"p")
            self.victim(folder + "\\" + uninstalling.PROFILE_NAME,
                        b"[FILES]\r\n%s\\P%d.TXT=1\r\n[DIRS]\r\n%s=1\r\n" % (
                            folder.encode(), name, folder.encode()))
            if runs:
                uninstalling.register(self.prefix, "AzEntry%d" % name, folder, runs)
        before = uninstalling.snapshot(self.prefix)

        for folder in cases:
            run = uninstalling.run_command(self.prefix, '"%s" /S "%s\\%s"' % (
                uninstaller, folder, uninstalling.PROFILE_NAME))
            self.assertEqual((folder, run.code, run.dialogs), (folder, 1, []))
        self.assertEqual(uninstalling.differences(before, uninstalling.snapshot(self.prefix)), [])

        # An installer of the other bitness registers in its own view: honoured.
        folder = self.victim("C:\\azview\\V.TXT", b"v").rsplit("\\", 1)[0]
        self.victim(folder + "\\" + uninstalling.PROFILE_NAME,
                    b"[FILES]\r\nC:\\azview\\V.TXT=1\r\n[DIRS]\r\nC:\\azview=1\r\n"
                    b"[HKLM]\r\n" + uninstalling.KEY_PREFIX.encode() + b"AzView=\r\n")
        uninstalling.register(self.prefix, "AzView", folder, uninstaller,
                              bits=96 - settings().bits)
        run = uninstalling.run_command(self.prefix, '"%s" /S "%s\\%s"' % (
            uninstaller, folder, uninstalling.PROFILE_NAME))
        self.assertEqual(run.code, 0, run.run.output[-2000:])
        self.assertFalse(self.prefix.host(folder).exists())
        self.assertFalse(self.prefix.registry("HKLM", 96 - settings().bits).has_key(
            uninstalling.KEY_PREFIX + "AzView"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
