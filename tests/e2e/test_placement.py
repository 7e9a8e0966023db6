"""Entries with special names: the companion program (its window closed
first, its profile written), the product program (started at once), the
uninstaller (in the Windows folder), and which files the uninstall profile
lists."""

import os
import unittest
import zlib

from scenario import Scenario, helper_bytes, helper_path, parse_profile
from testbed import unhex
from uninstalling import our_uninstaller

PROGRAM_FILES = "C:\\AzProgs"
PRODUCT_FOLDER = PROGRAM_FILES + "\\i-Vorta"
INSTALL_FOLDER = "C:\\AzPlace\\App"


def digest(data):
    return "%d:%08x" % (len(data), zlib.crc32(data))


class Placement(Scenario):

    def payload_files(self):
        return {
            "APP.EXE": helper_bytes("az_mainprog.exe"),
            "APP.ICO": b"\0\0\1\0icon",
            "IVORTA.EXE": helper_bytes("az_product.exe") + b"NEW-PRODUCT",
            "TAVUUNINSTALL.EXE": our_uninstaller(b"stand-in"),
            "ZLATE.TXT": b"written after the product program\r\n",
            "bin/DATA.TXT": b"data\r\n",
            "sub/YPH.EXE": b"an ordinary file that only looks like the companion",
            "yph.exe": helper_bytes("az_companion.exe") + b"NEW-COMPANION",
        }

    def make_setup(self, files):
        return self.installer(files, install_folder=INSTALL_FOLDER, main_program="APP.EXE",
                              icon_file="APP.ICO", product_name="AzPlace")

    def assert_common_outcome(self, files):
        """Where every entry went and what the uninstall profile lists."""
        ordinary = {k: v for k, v in files.items()
                    if k not in ("IVORTA.EXE", "TAVUUNINSTALL.EXE", "yph.exe")}
        self.assertFiles(INSTALL_FOLDER, ordinary)
        self.assertFiles(PRODUCT_FOLDER, {"IVORTA.EXE": files["IVORTA.EXE"],
                                          "YPH.EXE": files["yph.exe"]})
        windows = self.machine.windows.rstrip("\\")
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         files["TAVUUNINSTALL.EXE"])
        sections = dict(parse_profile(self.profile(INSTALL_FOLDER + "\\TAVUUNINSTALL.INI")))
        listed = [k for k, _ in sections["FILES"] if not k.upper().endswith(".LNK")]
        self.assertEqual(listed, [INSTALL_FOLDER + "\\" + n for n in (
            "APP.EXE", "APP.ICO", "ZLATE.TXT", "bin\\DATA.TXT", "sub\\YPH.EXE")])
        uninstall = self.uninstall_entry("AzPlace")
        self.assertIsNotNone(uninstall)
        self.assertTrue(uninstall["UninstallString"].text.startswith(
            '"%s\\TAVUUNINSTALL.EXE" ' % windows), uninstall["UninstallString"].text)

    def test_companion_closed_before_replaced_and_product_started_during_the_run(self):
        self.use_program_files(PROGRAM_FILES)
        old_companion = helper_bytes("az_companion.exe") + b"OLD-COMPANION"
        self.prefix.copy_in(helper_path("az_companion.exe"), PRODUCT_FOLDER + "\\YPH.EXE",
                            extra=b"OLD-COMPANION")
        windows = self.machine.windows.rstrip("\\")
        tavu = self.prefix.host(windows + "\\TAVU.INI")
        tavu.write_bytes(b"[Other]\r\nx=y\r\n[YPH]\r\nPath=C:\\old\\YPH.EXE\r\nExtra=keep\r\n"
                         b"Class=OLD\r\n")
        # The running companion keeps the installer inside its SendMessage for
        # three seconds, long enough to watch the progress window and to see
        # the product program start before the run is over.
        companion = self.prefix.start(PRODUCT_FOLDER + "\\YPH.EXE", ["--close-delay", "3000"])
        self.assertTrue(self.wait_for_record("companion", "window_ready"))
        files = self.payload_files()
        run = self.install(self.make_setup(files), watch_window=True)

        self.assertFinishedQuietly(run)
        self.assertEqual(companion.wait(15), 0, "the companion program ended on WM_CLOSE")
        self.assert_common_outcome(files)

        # Closed while the old file was still there, replaced afterwards.
        record = self.prefix.records("companion")[0]
        self.assertIn("close_time", record, "the companion received no WM_CLOSE")
        self.assertEqual(record["watched_at_close"], digest(old_companion))
        new_companion = self.prefix.host(PRODUCT_FOLDER + "\\YPH.EXE")
        self.assertGreater(os.stat(new_companion).st_mtime, record["released_time"])

        sections = dict(parse_profile(tavu.read_bytes()))
        self.assertEqual(sections["Other"], [("x", "y")])
        self.assertEqual(dict(sections["YPH"]), {"Path": PRODUCT_FOLDER + "\\yph.exe",
                                                 "Extra": "keep", "Class": "WENAPP"})

        # The product program ran while later entries were still to come.
        products = self.prefix.records("product")
        self.assertEqual(len(products), 1, products)
        product = products[0]
        self.assertEqual(product["module"].lower(),
                         (PRODUCT_FOLDER + "\\IVORTA.EXE").lower().encode())
        self.assertEqual(product["cwd"].lower(), b"c:\\azwork")
        # The installer runs elevated (Wine's default user): the desktop
        # shell started the program, with its own token, not the installer.
        self.assertEqual(unhex(product["parent"]).lower(), b"explorer.exe")
        self.assertEqual(product["show"], "1", "SW_SHOWNORMAL")
        self.assertLess(product["start_time"], os.stat(new_companion).st_mtime)
        seen = {bytes.fromhex(product["file_%d_name" % i]).decode("cp1252").upper():
                product["file_%d_digest" % i] for i in range(int(product["file_count"]))}
        self.assertEqual(seen.get("YPH.EXE"), digest(old_companion),
                         "the companion was already replaced when the product started")

        self.assertProgressWindow(run.window, b"setup", painted=True)

    def test_no_companion_running_and_a_new_companion_profile(self):
        self.use_program_files(PROGRAM_FILES)
        files = self.payload_files()
        run = self.install(self.make_setup(files))

        self.assertFinishedQuietly(run)
        self.assertTrue(self.wait_for_record("product", "start_time"))
        self.assertEqual(len(self.prefix.records("product")), 1)
        self.assert_common_outcome(files)
        windows = self.machine.windows.rstrip("\\")
        self.assertEqual(self.prefix.host(windows + "\\TAVU.INI").read_bytes(),
                         b"[YPH]\r\nPath=" + (PRODUCT_FOLDER + "\\yph.exe").encode() +
                         b"\r\nClass=WENAPP\r\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
