"""Completion after a full walk: the shortcuts (read back with lnkinfo), the
launch of the main program, the uninstall profile (byte for byte) and the
Uninstall registry entry (exact types and data)."""

import unittest

import winereg
from scenario import UNINSTALL_KEY, Scenario, helper_bytes, parse_profile, profile_text
from uninstalling import our_uninstaller

FOLDER = "C:\\AzDone\\App"
HKLM_LINE = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
ICON = b"\0\0\1\0\1\0 fake icon bytes"
PROGRAMS = "C:\\azshell\\Start Menu\\Programs"


class Completion(Scenario):

    @property
    def windows(self):
        return self.machine.windows.rstrip("\\")

    def shell_folders(self, **changes):
        folders = {"Desktop": "C:\\azshell\\Desktop", "Favorites": "C:\\azshell\\Favorites",
                   "Start Menu": "C:\\azshell\\Start Menu",
                   # A folder value ending in a backslash gives a doubled one.
                   "Programs": "C:\\azshell\\Start Menu\\Programs\\"}
        folders.update(changes)
        self.use_shell_folders(folders)

    def assertShortcut(self, path, target, description, arguments=None, icon=None):
        link = self.shortcut(path)
        self.assertEqual(link.target, target, path)
        self.assertEqual(link.description, description, path)
        self.assertEqual(link.arguments, arguments, path)
        self.assertEqual(link.icon_location, icon, path)
        if icon is not None:
            self.assertEqual(link.icon_index, 0)
        self.assertIsNone(link.working_directory, path)

    def assertUninstallEntry(self, product, profile, uninstaller=True, icon=None):
        """DisplayName and UninstallString REG_SZ with their terminating zero
        (without an uninstaller entry the command starts with two double
        quotes), then what the list of programs reads: the silent command
        only with an uninstaller, the install folder, the icon, the KiB of
        the files listed in the profile, NoModify and NoRepair."""
        program = self.windows + "\\TAVUUNINSTALL.EXE" if uninstaller else ""
        folder = profile[:-len("\\TAVUUNINSTALL.INI")]
        listed = dict(parse_profile(self.profile(profile)))["FILES"]
        size = sum(self.prefix.host(path).stat().st_size for path, _ in listed
                   if self.prefix.host(path).is_file())
        expected = {
            "DisplayName": winereg.string_value(product),
            "UninstallString": winereg.string_value('"%s" "%s"' % (program, profile)),
            "InstallLocation": winereg.string_value(folder),
            "EstimatedSize": winereg.RegValue(winereg.REG_DWORD,
                                              ((size + 1023) // 1024).to_bytes(4, "little")),
            "NoModify": winereg.RegValue(winereg.REG_DWORD, (1).to_bytes(4, "little")),
            "NoRepair": winereg.RegValue(winereg.REG_DWORD, (1).to_bytes(4, "little")),
        }
        if uninstaller:
            expected["QuietUninstallString"] = winereg.string_value(
                '"%s" /S "%s"' % (program, profile))
        if icon is not None:
            expected["DisplayIcon"] = winereg.string_value(icon)
        self.assertEqual(self.uninstall_entry(product), expected)

    def test_shortcuts_launch_profile_and_registry_then_a_second_installation(self):
        self.shell_folders()
        first = {"APP.EXE": helper_bytes("az_mainprog.exe") + b"v1", "APP.ICO": ICON,
                 "TAVUUNINSTALL.EXE": our_uninstaller(b"1"), "doc/MANUEL.TXT": b"manuel\r\n"}
        header = dict(install_folder=FOLDER, main_program="APP.EXE", icon_file="APP.ICO",
                      product_name="AzProduct", favorites_name="AzFavori",
                      start_menu_name="AzStart")
        run = self.install(self.installer(first, name="first.exe", **header))

        self.assertFinishedQuietly(run)
        self.assertFiles(FOLDER, {k: v for k, v in first.items() if k != "TAVUUNINSTALL.EXE"})
        target, icon = FOLDER + "\\APP.EXE", FOLDER + "\\APP.ICO"
        self.assertEqual(self.lnk_files("C:\\azshell\\Desktop"), ["AzProduct.LNK"])
        self.assertShortcut("C:\\azshell\\Desktop\\AzProduct.LNK", target, "AzProduct", icon=icon)
        self.assertShortcut("C:\\azshell\\Favorites\\AzFavori.LNK", target, "AzFavori",
                            icon=icon)
        self.assertShortcut(PROGRAMS + "\\AzStart.LNK", target, "AzStart", icon=icon)
        self.assertTrue(self.wait_for_record("main", "start_time"), "main program not started")
        self.assertEqual(self.prefix.records("main")[0]["module"], target.encode())

        links = [("C:\\azshell\\Desktop\\AzProduct.LNK", "1"),
                 ("C:\\azshell\\Favorites\\AzFavori.LNK", "1"),
                 (PROGRAMS + "\\\\AzStart.LNK", "1")]
        tail = [("HKLM", [(HKLM_LINE + "AzProduct", "")]), ("DIRS", [(FOLDER, "1")])]
        profile = FOLDER + "\\TAVUUNINSTALL.INI"
        self.assertEqual(self.profile(profile), profile_text([("FILES", [
            (target, "1"), (icon, "1"), (FOLDER + "\\doc\\MANUEL.TXT", "1")] + links)] + tail))
        # The registry is read at the end: reading it stops the prefix's
        # programs, and the first main program is to run during the second
        # installation.

        # Again into the same folder, while the first main program runs:
        # "FILES" lists this installation's files and shortcuts, then what
        # the first listed that is still there; "HKLM" and "DIRS" keep one
        # line each.
        second = {"APP.EXE": helper_bytes("az_mainprog.exe") + b"v2", "APP.ICO": ICON,
                  "NEW.TXT": b"new\r\n", "TAVUUNINSTALL.EXE": our_uninstaller(b"2")}
        run = self.install(self.installer(second, name="second.exe", **header))
        self.assertFinishedQuietly(run)
        self.assertEqual(self.prefix.host(target).read_bytes(), second["APP.EXE"])
        self.assertEqual(self.profile(profile), profile_text([("FILES", [
            (target, "1"), (icon, "1"), (FOLDER + "\\NEW.TXT", "1")] + links +
            [(FOLDER + "\\doc\\MANUEL.TXT", "1")])] + tail))
        self.assertTrue(self.wait_for_record("main", "start_time", count=2))
        self.assertEqual(self.prefix.records("main")[1]["module"], target.encode())
        self.assertUninstallEntry("AzProduct", profile, icon=icon)

    def test_i_pelbor_gets_a_second_desktop_shortcut_and_no_favorites_value_none(self):
        self.shell_folders(Favorites=None)
        files = {"APP.EXE": helper_bytes("az_mainprog.exe")}
        run = self.install(self.installer(
            files, install_folder=FOLDER, main_program="app.exe", product_name="I-PELBOR",
            favorites_name="AzFavori", start_menu_name=""))

        self.assertFinishedQuietly(run)
        target = FOLDER + "\\APP.EXE"
        self.assertEqual(self.lnk_files("C:\\azshell\\Desktop"),
                         ["I-PELBOR.LNK", "i-PelBor Pro.LNK"])
        self.assertShortcut("C:\\azshell\\Desktop\\I-PELBOR.LNK", target, "I-PELBOR")
        self.assertShortcut("C:\\azshell\\Desktop\\i-PelBor Pro.LNK", target, "i-PelBor Pro",
                            arguments=" ?")
        self.assertEqual(self.lnk_files("C:\\azshell\\Start Menu"), [])
        self.assertEqual(self.lnk_files(self.default_favorites()), [])
        profile = FOLDER + "\\TAVUUNINSTALL.INI"
        self.assertEqual(self.profile(profile), profile_text([
            ("FILES", [(target, "1"), ("C:\\azshell\\Desktop\\I-PELBOR.LNK", "1"),
                       ("C:\\azshell\\Desktop\\i-PelBor Pro.LNK", "1")]),
            ("HKLM", [(HKLM_LINE + "I-PELBOR", "")]), ("DIRS", [(FOLDER, "1")])]))
        self.assertUninstallEntry("I-PELBOR", profile, uninstaller=False, icon=target)

    def test_link_names_windows_would_open_as_a_device_make_no_shortcut(self):
        # "NUL.LNK" is the null device: no shortcut, nothing recorded. A name
        # ending in a dot is kept, since ".LNK" follows it.
        self.shell_folders()
        files = {"APP.EXE": helper_bytes("az_mainprog.exe")}
        run = self.install(self.installer(
            files, install_folder=FOLDER, main_program="APP.EXE", product_name="AzDevice.",
            favorites_name="NUL", start_menu_name="Aux"))

        self.assertFinishedQuietly(run)
        desktop = "C:\\azshell\\Desktop\\AzDevice..LNK"
        self.assertShortcut(desktop, FOLDER + "\\APP.EXE", "AzDevice.")
        for shell in ("Favorites", "Start Menu\\Programs"):
            self.assertEqual(self.lnk_files("C:\\azshell\\" + shell), [], shell)
        profile = dict(parse_profile(self.profile(FOLDER + "\\TAVUUNINSTALL.INI")))
        self.assertEqual(profile["FILES"], [(FOLDER + "\\APP.EXE", "1"), (desktop, "1")])

    def test_no_main_program_no_shortcut_no_launch_but_profile_and_registry(self):
        self.shell_folders()
        files = {"APP.EXE": helper_bytes("az_mainprog.exe"), "README.TXT": b"lisez-moi\r\n"}
        run = self.install(self.installer(
            files, install_folder=FOLDER, main_program="NOTHERE.EXE", product_name="AzNoMain",
            favorites_name="AzFavori", start_menu_name="AzStart"), settle=1.0)

        self.assertFinishedQuietly(run)
        for shell in ("Desktop", "Favorites", "Start Menu", "Start Menu\\Programs"):
            self.assertEqual(self.lnk_files("C:\\azshell\\" + shell), [], shell)
        self.assertEqual(self.prefix.records("main"), [], "a program was started")
        profile = FOLDER + "\\TAVUUNINSTALL.INI"
        self.assertEqual(self.profile(profile), profile_text([
            ("FILES", [(FOLDER + "\\APP.EXE", "1"), (FOLDER + "\\README.TXT", "1")]),
            ("HKLM", [(HKLM_LINE + "AzNoMain", "")]), ("DIRS", [(FOLDER, "1")])]))
        self.assertUninstallEntry("AzNoMain", profile, uninstaller=False)

    def test_empty_product_name_writes_no_uninstall_values(self):
        self.shell_folders()
        before = self.prefix.registry("HKLM").values(UNINSTALL_KEY)
        files = {"APP.EXE": helper_bytes("az_mainprog.exe")}
        run = self.install(self.installer(
            files, install_folder=FOLDER, main_program="APP.EXE", product_name="",
            favorites_name="AzFavori", start_menu_name="AzStart"))

        self.assertFinishedQuietly(run)
        target = FOLDER + "\\APP.EXE"
        self.assertEqual(self.lnk_files("C:\\azshell\\Desktop"), [])
        self.assertShortcut("C:\\azshell\\Favorites\\AzFavori.LNK", target, "AzFavori")
        self.assertShortcut(PROGRAMS + "\\AzStart.LNK", target, "AzStart")
        self.assertTrue(self.wait_for_record("main", "start_time"))
        self.assertEqual(self.profile(FOLDER + "\\TAVUUNINSTALL.INI"), profile_text([
            ("FILES", [(target, "1"), ("C:\\azshell\\Favorites\\AzFavori.LNK", "1"),
                       (PROGRAMS + "\\\\AzStart.LNK", "1")]),
            ("DIRS", [(FOLDER, "1")])]))
        self.assertEqual(self.prefix.registry("HKLM").values(UNINSTALL_KEY), before,
                         "values written onto the Uninstall key itself")

    def default_favorites(self):
        return "C:\\users\\%s\\Favorites" % self.user_name()

    def user_name(self):
        users = self.prefix.host("C:\\users")
        names = [p.name for p in users.iterdir() if p.name.lower() not in ("public",)]
        return names[0] if names else "root"


if __name__ == "__main__":
    unittest.main(verbosity=2)
