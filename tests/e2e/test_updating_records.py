"""Updating an installed product: each installation of a product in a folder
keeps in its uninstall profile what the earlier ones installed and that is
still there, so that one uninstall command removes every version (an
upgrade, a downgrade, a renamed product); a second product in the same
folder keeps a record of its own, and a file both installed goes with the
last of them. The Start Menu shortcut lies in Start Menu\\Programs, where
Start lists it; one an earlier installation left at the Start Menu root is
removed by the next. Every story starts from a fresh prefix and ends with
the drive and registry as they were before its first installation."""

import unittest

import uninstalling
from scenario import Scenario, helper_bytes, parse_profile

FOLDER = "C:\\AzProduit"
SHELL = {"Desktop": "C:\\azshell\\Desktop", "Favorites": "C:\\azshell\\Favorites",
         "Start Menu": "C:\\azshell\\Start Menu",
         "Programs": "C:\\azshell\\Start Menu\\Programs"}
KEY_PREFIX = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def version(number):
    """v1: A.EXE, B.DLL, data\\old.txt; v2: A.EXE, C.DLL, data\\new.txt."""
    program = helper_bytes("az_mainprog.exe") + b"v%d" % number
    if number == 1:
        return {"A.EXE": program, "B.DLL": b"MZ b v1", "data/old.txt": b"ancien\r\n"}
    return {"A.EXE": program, "C.DLL": b"MZ c v2", "data/new.txt": b"nouveau\r\n"}


class UpdatingRecords(Scenario):

    def setUp(self):
        super().setUp()
        self.use_shell_folders(SHELL)

    def put(self, product, files, name, folder=FOLDER, main_program="A.EXE"):
        """Installs `files` as `product` (shortcuts named after it, the
        uninstaller carried); returns its Uninstall entry."""
        exe = self.installer(files, name=name, install_folder=folder, main_program=main_program,
                             product_name=product, favorites_name=product,
                             start_menu_name=product,
                             uninstaller=uninstalling.uninstaller_file())
        self.assertFinishedQuietly(self.install(exe))
        entry = self.uninstall_entry(product)
        self.assertIsNotNone(entry, product)
        return entry

    def remove(self, entry):
        removal = uninstalling.run_command(self.prefix, entry["QuietUninstallString"].text)
        self.assertEqual(removal.code, 0, removal.run.output[-2000:])
        self.assertEqual(removal.dialogs, [])

    def listed(self, entry):
        """The FILES lines of the profile an Uninstall entry names."""
        profile = uninstalling.split_command_line(entry["UninstallString"].text)[1]
        return [k for k, _ in dict(parse_profile(self.profile(profile))).get("FILES", [])]

    def assertAsBefore(self, before):
        windows = self.machine.windows.rstrip("\\")
        self.assertEqual(uninstalling.differences(before, uninstalling.snapshot(self.prefix)),
                         [("file c:\\" + windows[3:].lower() + "\\tavuuninstall.exe", "added")])

    def test_v1_then_v2_then_uninstall_leaves_the_machine_as_before(self):
        before = uninstalling.snapshot(self.prefix)
        # v1 as earlier installations made it: the Start Menu shortcut at
        # the root of the Start Menu folder.
        self.use_shell_folders({"Programs": SHELL["Start Menu"]})
        self.put("AzUpd", version(1), "v1.exe")
        root_link = SHELL["Start Menu"] + "\\AzUpd.LNK"
        self.assertTrue(self.prefix.host(root_link).is_file())
        self.use_shell_folders({"Programs": SHELL["Programs"]})

        entry = self.put("AzUpd", version(2), "v2.exe")
        # The files of both versions stay listed; the root shortcut is gone,
        # the new one lies in Programs, where Start lists it.
        self.assertFalse(self.prefix.host(root_link).exists(), "the old root shortcut is left")
        link = self.shortcut(SHELL["Programs"] + "\\AzUpd.LNK")
        self.assertEqual(link.target, FOLDER + "\\A.EXE")
        self.assertEqual(link.description, "AzUpd")
        listed = [p.lower() for p in self.listed(entry)]
        for name in ("A.EXE", "C.DLL", "data\\new.txt", "B.DLL", "data\\old.txt"):
            self.assertIn((FOLDER + "\\" + name).lower(), listed)
        self.assertIn((SHELL["Programs"] + "\\AzUpd.LNK").lower(), listed)
        self.assertNotIn(root_link.lower(), listed)
        self.assertEqual(len(listed), 8, listed)  # five files, three shortcuts

        self.remove(entry)
        self.assertAsBefore(before)

    def test_a_downgrade_then_uninstall_leaves_nothing(self):
        before = uninstalling.snapshot(self.prefix)
        self.put("AzUpd", version(2), "v2.exe")
        entry = self.put("AzUpd", version(1), "v1.exe")
        self.assertEqual(self.prefix.host(FOLDER + "\\A.EXE").read_bytes(), version(1)["A.EXE"])
        self.remove(entry)
        self.assertAsBefore(before)

    def test_a_renamed_product_then_uninstall_leaves_nothing(self):
        before = uninstalling.snapshot(self.prefix)
        self.put("AzAlpha", version(1), "alpha.exe")
        entry = self.put("AzBeta", version(2), "beta.exe")
        # Alpha's shortcuts stay until the product goes, with everything else.
        self.assertEqual(self.lnk_files(SHELL["Desktop"]), ["AzAlpha.LNK", "AzBeta.LNK"])
        self.remove(entry)
        self.assertAsBefore(before)

    def test_two_products_in_one_folder_removed_in_both_orders(self):
        before = uninstalling.snapshot(self.prefix)
        shared = helper_bytes("az_mainprog.exe")
        first = {"P.EXE": shared + b"p", "SHARED.DLL": b"MZ shared", "data/p.txt": b"p"}
        second = {"Q.EXE": shared + b"q", "SHARED.DLL": b"MZ shared", "data/q.txt": b"q"}
        low = FOLDER.lower()

        def own(product, program, data):
            return sorted([
                "HKLM\\" + self.prefix.registry("HKLM").key(
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                    product).lower(),
                "file " + low + "\\" + program, "file " + low + "\\data\\" + data,
                "file c:\\azshell\\desktop\\" + product.lower() + ".lnk",
                "file c:\\azshell\\favorites\\" + product.lower() + ".lnk",
                "file c:\\azshell\\start menu\\programs\\" + product.lower() + ".lnk"])

        for order in ("first product first", "second product first"):
            entries = {"AzPoire": self.put("AzPoire", first, "poire.exe", main_program="P.EXE"),
                       "AzQuetsche": self.put("AzQuetsche", second, "quetsche.exe",
                                              main_program="Q.EXE")}
            profiles = {uninstalling.split_command_line(e["UninstallString"].text)[1].lower()
                        for e in entries.values()}
            self.assertEqual(len(profiles), 2, "one record per product: %r" % profiles)
            both = uninstalling.snapshot(self.prefix)
            gone, stays = ("AzPoire", "AzQuetsche") if order.startswith("first") else \
                ("AzQuetsche", "AzPoire")
            self.remove(entries[gone])
            changes = uninstalling.differences(both, uninstalling.snapshot(self.prefix))
            self.assertEqual([c for _, c in changes], ["removed"] * len(changes), order)
            program, data = ("p.exe", "p.txt") if gone == "AzPoire" else ("q.exe", "q.txt")
            record = uninstalling.split_command_line(entries[gone]["UninstallString"].text)[1]
            self.assertEqual(sorted(e for e, _ in changes),
                             sorted(own(gone, program, data) + ["file " + record.lower()]), order)
            self.assertIsNotNone(self.uninstall_entry(stays))
            self.remove(entries[stays])
            self.assertAsBefore(before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
