"""What 64-bit Windows shows an installer of either bitness: the i686 stub
runs under WoW64 and sees "C:\\Program Files (x86)" and the Wow6432Node view
of HKLM\\Software, as 32-bit programs do; the x86_64 stub sees the native
ones. Also a running main program of the other bitness, stopped and
replaced."""

import unittest

import testbed
import winereg
from scenario import (APP_PATHS_MANAGER_KEY, CURRENT_VERSION_KEY, UNINSTALL_KEY, Scenario,
                      helper_bytes, parse_profile)
from uninstalling import our_uninstaller

OLD = b"OLD-MAIN"
NEW = b"NEW-MAIN"


def own_bits():
    return testbed.settings().bits


class WhatTheInstallerSees(Scenario):

    def test_folders_and_registry_view_of_the_stub(self):
        bits = own_bits()
        other = 96 - bits
        program_files = "C:\\Program Files (x86)" if bits == 32 else "C:\\Program Files"
        # Decoys in the view the stub must not read: a 32-bit program that
        # read the 64-bit view (or the reverse) would install there.
        hklm_other = self.prefix.registry("HKLM", bits=other)
        hklm_other.set_value(APP_PATHS_MANAGER_KEY, None,
                             winereg.string_value("C:\\AzDecoy\\CEAPPMGR.EXE"))
        hklm_other.save()
        own = self.prefix.registry("HKLM")
        self.assertEqual(own.value(CURRENT_VERSION_KEY, "ProgramFilesDir").text, program_files)
        # Shared by both views on 64-bit Windows: HKCU\Software.
        self.prefix.set_values("HKCU", "Software\\AzVendor", {"Root": "C:\\AzVendorRoot"})
        windows = self.machine.windows.rstrip("\\")

        files = {"APP.EXE": helper_bytes("az_mainprog.exe"), "YPH.EXE": b"companion",
                 "TAVUUNINSTALL.EXE": our_uninstaller(b"view"), "DOC.TXT": b"doc\r\n"}
        setup = self.installer(files, name="view.exe", install_folder="%programfiles%\\AzView",
                               main_program="APP.EXE", product_name="AzView")
        registry_setup = self.installer({"R.TXT": b"r\r\n"}, name="regref.exe",
                                        install_folder="$Software\\AzVendor\\Root$\\Sub",
                                        product_name="AzRegRef")
        self.assertFinishedQuietly(self.install(setup))
        self.assertFinishedQuietly(self.install(registry_setup))

        folder = program_files + "\\AzView"
        self.assertFiles(folder, {"APP.EXE": files["APP.EXE"], "DOC.TXT": files["DOC.TXT"]})
        # The companion's product folder comes from the same value.
        self.assertEqual(self.prefix.files_under(program_files + "\\i-Vorta"),
                         {"YPH.EXE": b"companion"})
        self.assertEqual(dict(dict(parse_profile(self.profile(windows + "\\TAVU.INI")))["YPH"])
                         ["Path"], program_files + "\\i-Vorta\\YPH.EXE")
        # The Windows folder itself, never a redirected system folder.
        self.assertEqual(windows.lower(), "c:\\windows")
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         files["TAVUUNINSTALL.EXE"])
        self.assertFiles("C:\\AzVendorRoot\\Sub", {"R.TXT": b"r\r\n"})

        # The Uninstall entry is in the stub's own view only: where Programs
        # and Features lists products of its bitness.
        entry = self.uninstall_entry("AzView")
        self.assertEqual(entry["UninstallString"].text, '"%s\\TAVUUNINSTALL.EXE" "%s\\%s"' % (
            windows, folder, "TAVUUNINSTALL.INI"))
        self.assertIsNone(self.prefix.registry("HKLM", bits=other).values(
            UNINSTALL_KEY + "\\AzView"), "the Uninstall entry is in the other view too")
        if bits == 32:
            self.assertIsNotNone(self.prefix.registry("HKLM", bits=64).values(
                "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\AzView"))
        desktop = self.shell_folder("Desktop")
        self.assertEqual(self.shortcut(desktop + "\\AzView.LNK").target, folder + "\\APP.EXE")

    def test_device_manager_found_in_the_stubs_own_view(self):
        other = 96 - own_bits()
        manager = "C:\\AzManager\\CEAPPMGR.EXE"
        self.prefix.copy_in(testbed.settings().helper("az_devmgr.exe"), manager)
        self.prefix.set_values("HKLM", APP_PATHS_MANAGER_KEY, {None: manager})
        hklm_other = self.prefix.registry("HKLM", bits=other)
        hklm_other.delete_key(APP_PATHS_MANAGER_KEY)
        hklm_other.save()
        setup = self.installer({"CEAPPSETUP.INI": b"[CEAppManager]\r\n"}, name="device.exe",
                               install_folder="C:\\AzDevice", main_program="CEAPPSETUP.INI",
                               product_name="AzDevice")
        self.assertFinishedQuietly(self.install(setup))
        self.assertTrue(self.wait_for_record("devmgr", "command_line"),
                        "the manager registered in the stub's view was not started")
        record = self.prefix.records("devmgr")[-1]
        self.assertTrue(record["command_line"].endswith(b"C:\\AzDevice\\CEAPPSETUP.INI"),
                        record["command_line"])


class MainProgramOfTheOtherBitness(Scenario):
    """A 32-bit installer cannot list a 64-bit process's modules (nor the
    reverse on some systems): the running main program is still found by its
    full path, stopped and replaced."""

    def test_running_copy_of_the_other_bitness_is_stopped_and_replaced(self):
        other_program = testbed.settings().helper("az_mainprog.exe", other_bitness=True)
        target = "C:\\AzMixed\\APP.EXE"
        elsewhere = "C:\\AzMixed\\Other\\APP.EXE"
        for path in (target, elsewhere):
            self.prefix.copy_in(other_program, path, extra=OLD)
        running = self.prefix.start(target)
        bystander = self.prefix.start(elsewhere)
        self.assertTrue(self.wait_for_record("main", "start_time", 2),
                        "the two old copies did not start")
        files = {"APP.EXE": other_program.read_bytes() + NEW, "B.TXT": b"b\r\n"}
        setup = self.installer(files, name="mixed.exe", install_folder="C:\\AzMixed",
                               main_program="APP.EXE", product_name="AzMixed")
        run = self.install(setup)
        self.assertFinishedQuietly(run)
        self.assertIsNotNone(running.wait(10), "the copy at the target path still runs")
        self.assertTrue(bystander.alive(), "the copy in another folder was stopped")
        installed = self.prefix.files_under("C:\\AzMixed")
        self.assertEqual(installed["APP.EXE"], files["APP.EXE"])
        self.assertEqual(installed["B.TXT"], files["B.TXT"])
        self.assertEqual(installed["Other\\APP.EXE"], other_program.read_bytes() + OLD)


if __name__ == "__main__":
    unittest.main()
