"""A main program that is a device setup file ("CEAPPSETUP.INI" at the end of
its path, in any case) goes to the Windows CE Application Manager instead of
getting shortcuts and a launch; without the manager, the French message."""

import unittest

import winereg
from scenario import APP_PATHS_MANAGER_KEY, NO_DEVICE_MANAGER, NO_MANAGER_TEXT, Scenario, \
    helper_bytes, helper_path, profile_text

FOLDER = "C:\\Az CE\\Device Files"
MANAGER = "C:\\AzCE\\CEAppMgr.exe"
HKLM_LINE = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


class DeviceSetup(Scenario):

    def setUp(self):
        super().setUp()
        self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop",
                                "Favorites": "C:\\azshell\\Favorites",
                                "Start Menu": "C:\\azshell\\Start Menu",
                                "Programs": "C:\\azshell\\Start Menu\\Programs"})

    def register_manager(self):
        self.prefix.copy_in(helper_path("az_devmgr.exe"), MANAGER)
        self.prefix.set_values("HKLM", APP_PATHS_MANAGER_KEY,
                               {None: winereg.string_value(MANAGER)})

    def make_setup(self, main_name, files=None):
        files = files or {main_name: b"[CEAppManager]\r\nVersion=1.0\r\n",
                          "README.TXT": b"device\r\n"}
        return files, self.installer(files, install_folder=FOLDER, main_program=main_name,
                                     product_name="AzDevice", favorites_name="AzFavori",
                                     start_menu_name="AzStart")

    def assertNoShortcutsAndNoLaunch(self):
        for shell in ("Desktop", "Favorites", "Start Menu", "Start Menu\\Programs"):
            self.assertEqual(self.lnk_files("C:\\azshell\\" + shell), [], shell)
        self.assertEqual(self.prefix.records("main"), [])

    def assertRecorded(self, files):
        profile = FOLDER + "\\TAVUUNINSTALL.INI"
        self.assertEqual(self.profile(profile), profile_text([
            ("FILES", [(FOLDER + "\\" + n, "1") for n in sorted(files)]),
            ("HKLM", [(HKLM_LINE + "AzDevice", "")]), ("DIRS", [(FOLDER, "1")])]))
        self.assertEqual(self.uninstall_entry("AzDevice")["DisplayName"],
                         winereg.string_value("AzDevice"))

    def test_lower_case_setup_file_goes_to_the_registered_manager_unquoted(self):
        self.register_manager()
        files, setup = self.make_setup("ceappsetup.ini")
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertTrue(self.wait_for_record("devmgr", "start_time"), "manager not started")
        records = self.prefix.records("devmgr")
        self.assertEqual(len(records), 1, records)
        manager = records[0]
        self.assertEqual(manager["module"].lower(), MANAGER.lower().encode())
        ini = (FOLDER + "\\ceappsetup.ini").encode("cp1252")
        command = manager["command_line"]
        self.assertTrue(command.endswith(b" " + ini), command)
        program_part = command[:-len(ini) - 1]
        self.assertEqual(program_part.strip(b'"').lower(), MANAGER.lower().encode(), command)
        self.assertEqual(manager["show"], "1", "SW_SHOWNORMAL")
        self.assertNoShortcutsAndNoLaunch()
        self.assertRecorded(files)

    def test_without_the_manager_the_message_and_completion_goes_on(self):
        files, setup = self.make_setup("CEAPPSETUP.INI")
        run = self.install(setup)

        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, NO_DEVICE_MANAGER, "exit code")
        self.assertEqual(len(run.dialogs), 1, run.dialogs)
        box = run.dialogs[0]
        self.assertEqual(box.caption, b"")
        self.assertEqual(box.text, NO_MANAGER_TEXT)
        self.assertEqual(box.text_unicode, "Windows CE Application Manager non trouv\u00e9")
        self.assertEqual(box.owner_class, "", "no owner window")
        self.assertEqual(box.button_ids, [1], "a single OK button")
        self.assertEqual(box.icon, "none")
        self.assertNoShortcutsAndNoLaunch()
        self.assertRecorded(files)

    def test_a_name_that_only_contains_the_setup_file_name_is_a_program(self):
        self.register_manager()
        files = {"CEAPPSETUP.INI.EXE": helper_bytes("az_mainprog.exe")}
        _, setup = self.make_setup("CEAPPSETUP.INI.EXE", files)
        run = self.install(setup)

        self.assertFinishedQuietly(run)
        self.assertTrue(self.wait_for_record("main", "start_time"), "main program not started")
        self.assertEqual(self.lnk_files("C:\\azshell\\Desktop"), ["AzDevice.LNK"])
        self.assertEqual(self.prefix.records("devmgr"), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
