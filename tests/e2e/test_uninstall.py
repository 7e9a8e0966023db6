"""TAVUUNINSTALL.EXE under Wine: the sample's round trip through the
registry's silent command, the question and last message, a user's file
kept, a held file left for the restart, hostile and damaged profiles, a
second run, and two products side by side."""

import os
import unittest

import payloads
import run_sample
import uninstalling
import winereg
from scenario import UNINSTALL_KEY, Scenario, helper_bytes

KEY_PREFIX = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def final_text(product):
    return b"\xab\xa0" + product.encode("cp1252") + \
        b"\xa0\xbb a \xe9t\xe9 supprim\xe9 de cet ordinateur."


def question_text(product):
    return b"Voulez-vous supprimer \xab\xa0" + product.encode("cp1252") + \
        b"\xa0\xbb et tous ses composants de cet ordinateur\xa0?"


class Uninstall(Scenario):

    @property
    def windows(self):
        return self.machine.windows.rstrip("\\")

    def product(self, name, files, folder, **header):
        """Installs a product that carries the uninstaller; returns its entry."""
        source = payloads.write_tree(self.build / (name + ".src"), files)
        out = payloads.build_installer(
            source, self.build / (name + ".exe"), install_folder=folder, product_name=name,
            uninstaller=uninstalling.uninstaller_file(), **header)
        self.prefix.copy_in(out, "C:\\azwork\\%s.exe" % name)
        self.assertFinishedQuietly(self.install("C:\\azwork\\%s.exe" % name))
        return self.uninstall_entry(name)

    def run_quiet(self, entry):
        return uninstalling.run_command(self.prefix, entry["QuietUninstallString"].text)

    def test_sample_round_trip_then_a_second_run(self):
        before = uninstalling.snapshot(self.prefix)
        installer = run_sample.build_sample_installer(self.build)
        sample = run_sample.SampleRun(self.prefix, installer)
        self.assertFinishedQuietly(sample.observation)
        self.assertTrue(sample.window.visible, "CARNET.EXE is running")
        windows = self.windows
        command = sample.uninstall["QuietUninstallString"].text
        self.assertEqual(command, '"%s\\TAVUUNINSTALL.EXE" /S "%s\\TAVUUNINSTALL.INI"' % (
            windows, sample.folder))
        self.assertEqual(uninstalling.split_command_line(command), [
            windows + "\\TAVUUNINSTALL.EXE", "/S", sample.folder + "\\TAVUUNINSTALL.INI"])

        # The main program runs: it is asked to close, and removed.
        removal = self.run_quiet(sample.uninstall)
        self.assertEqual(removal.code, 0, removal.run.output[-2000:])
        self.assertEqual(removal.dialogs, [])
        after = uninstalling.snapshot(self.prefix)
        self.assertEqual(uninstalling.differences(before, after),
                         [("file C:\\" + windows[3:].lower() + "\\tavuuninstall.exe", "added")])

        # Again: the profile is gone, which it says; nothing is touched.
        again = uninstalling.run_command(self.prefix, sample.uninstall["UninstallString"].text)
        self.assertEqual(again.code, 1)
        self.assertEqual([(d.caption, d.text) for d in again.dialogs], [(
            uninstalling.TITLE, b"Le fichier de d\xe9sinstallation \xab\xa0" +
            (sample.folder + "\\TAVUUNINSTALL.INI").encode("cp1252") +
            b"\xa0\xbb est introuvable ou illisible. Rien n'a \xe9t\xe9 supprim\xe9.")])
        self.assertEqual(uninstalling.differences(after, uninstalling.snapshot(self.prefix)), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
