"""TAVUUNINSTALL.EXE under Wine: the sample's round trip through the
registry's silent command, the question and last message, a user's file
kept, a held file left for the restart, hostile and damaged profiles, a
second run, and two products side by side."""

import os
import unittest

import run_sample
import uninstalling
import winereg
from scenario import UNINSTALL_KEY, Scenario, helper_bytes

KEY_PREFIX = uninstalling.KEY_PREFIX


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

    product = uninstalling.install_product

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
                         [("file c:\\" + windows[3:].lower() + "\\tavuuninstall.exe", "added")])

        # Again: the profile is gone, which it says; nothing is touched.
        again = uninstalling.run_command(self.prefix, sample.uninstall["UninstallString"].text)
        self.assertEqual(again.code, 1)
        self.assertEqual([(d.caption, d.text) for d in again.dialogs], [(
            uninstalling.TITLE, b"Le fichier de d\xe9sinstallation \xab\xa0" +
            (sample.folder + "\\TAVUUNINSTALL.INI").encode("cp1252") +
            b"\xa0\xbb est introuvable ou illisible. Rien n'a \xe9t\xe9 supprim\xe9.")])
        self.assertEqual(uninstalling.differences(after, uninstalling.snapshot(self.prefix)), [])


    def test_question_no_then_yes_keeps_a_users_file_and_the_other_product(self):
        self.use_program_files("C:\\Program Files")
        self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop",
                                "Favorites": "C:\\azshell\\Favorites",
                                "Start Menu": "C:\\azshell\\Start Menu"})
        program = helper_bytes("az_mainprog.exe")
        folder, other = "C:\\Program Files\\AzKeep", "C:\\Program Files\\AzOther"
        entry = self.product("AzKeep", {"APP.EXE": program, "doc/MANUEL.TXT": b"manuel",
                                        "data/sub/X.DAT": b"x"}, folder,
                             main_program="APP.EXE", favorites_name="AzKeep")
        self.product("AzOther", {"OTHER.EXE": program + b"other", "O.TXT": b"o"}, other,
                     main_program="OTHER.EXE")
        user_file = folder + "\\data\\user\\NOTE.TXT"
        self.prefix.host(user_file).parent.mkdir(parents=True)
        self.prefix.host(user_file).write_bytes(b"mes notes")
        before = uninstalling.snapshot(self.prefix)

        said_no = uninstalling.run_command(self.prefix, entry["UninstallString"].text, "no")
        self.assertEqual(said_no.code, 1602)
        self.assertEqual([(d.caption, d.text, d.fields.get("pressed")) for d in said_no.dialogs],
                         [(uninstalling.TITLE, question_text("AzKeep"), "no")])
        self.assertEqual(uninstalling.differences(before, uninstalling.snapshot(self.prefix)), [])

        said_yes = uninstalling.run_command(self.prefix, entry["UninstallString"].text, "yes")
        self.assertEqual(said_yes.code, 0, said_yes.run.output[-2000:])
        self.assertEqual([(d.caption, d.text) for d in said_yes.dialogs],
                         [(uninstalling.TITLE, question_text("AzKeep")),
                          (uninstalling.TITLE, final_text("AzKeep"))])
        changes = uninstalling.differences(before, uninstalling.snapshot(self.prefix))
        gone = sorted(entry for entry, _ in changes)
        self.assertEqual([c for _, c in changes], ["removed"] * len(changes))
        low = folder.lower()
        self.assertEqual(gone, sorted([
            "HKLM\\" + self.prefix.registry("HKLM").key(UNINSTALL_KEY + "\\AzKeep").lower(),
            "dir " + low + "\\data\\sub", "dir " + low + "\\doc",
            "file " + low + "\\app.exe", "file " + low + "\\data\\sub\\x.dat",
            "file " + low + "\\doc\\manuel.txt", "file " + low + "\\tavuuninstall.ini",
            "file c:\\azshell\\desktop\\azkeep.lnk",
            "file c:\\azshell\\favorites\\azkeep.lnk"]))
        self.assertEqual(self.prefix.host(user_file).read_bytes(), b"mes notes")
        self.assertIsNotNone(self.uninstall_entry("AzOther"))

    def test_a_held_file_waits_for_the_restart(self):
        self.use_program_files("C:\\Program Files")
        folder = "C:\\Program Files\\AzHeld"
        entry = self.product("AzHeld", {"A.TXT": b"a", "sub/HELD.DAT": b"held"}, folder)
        held = folder + "\\sub\\HELD.DAT"
        ready = "C:\\azwork\\held.ready"
        self.prefix.start(self.prefix.helper("az_locker.exe"), [held, ready])
        self.assertTrue(self.prefix.wait_for_file(ready), "the locker did not start")

        removal = uninstalling.run_command(self.prefix, entry["UninstallString"].text, "yes")
        self.assertEqual(removal.code, 3010, removal.run.output[-2000:])
        self.assertEqual(removal.dialogs[-1].text, final_text("AzHeld") + (
            b"\r\n\r\nCertains fichiers \xe9taient en cours d'utilisation\xa0: red\xe9marrez "
            b"l'ordinateur pour terminer la suppression."))
        self.assertFalse(self.prefix.host(folder + "\\A.TXT").exists())
        self.assertTrue(self.prefix.host(held).exists())
        self.assertIsNone(self.uninstall_entry("AzHeld"))
        pending = self.prefix.registry("HKLM").value(uninstalling.PENDING_KEY,
                                                     "PendingFileRenameOperations")
        self.assertIsNotNone(pending)
        self.assertIn(held.lower(), pending.data.decode("utf-16-le").lower())

        # The restart carries out what was left: the file and its folders.
        self.prefix.stop_server()
        self.prefix.run("wineboot", ["--restart"], timeout=120)
        self.prefix.stop_server()
        self.assertFalse(self.prefix.host(held).exists(), "the held file is still there")
        self.assertFalse(self.prefix.host(folder).exists(), "its folders are still there")

    def test_hostile_and_damaged_profiles(self):
        self.use_program_files("C:\\Program Files")
        windows = self.windows
        desktop = self.prefix.registry("HKCU").value(
            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
            "Desktop").text
        victim = "C:\\Program Files\\AzVictim\\V.TXT"
        self.prefix.host(victim).parent.mkdir(parents=True)
        self.prefix.host(victim).write_bytes(b"victim")
        self.prefix.host("C:\\azplant\\P.TXT").parent.mkdir(parents=True)
        self.prefix.host("C:\\azplant\\P.TXT").write_bytes(b"p")
        planted = "C:\\azplant\\TAVUUNINSTALL.INI"
        lines = ["[FILES]"] + [p + "=1" for p in (
            windows + "\\win.ini", victim, "azplant\\P.TXT", "C:\\azplant\\..\\azplant\\P.TXT",
            "C:\\azplant\\*.TXT", "C:\\azplant\\NUL", "C:\\azplant\\P.TXT:flux",
            desktop + "\\x.txt")] + ["[DIRS]"] + [d + "=1" for d in (
                "C:\\", windows, "C:\\Program Files", desktop)] + ["[HKLM]"] + [k + "=" for k in (
                    KEY_PREFIX.rstrip("\\"), KEY_PREFIX, "SOFTWARE\\Classes",
                    KEY_PREFIX + "AzVictim\\..\\..")]
        self.prefix.host(planted).write_bytes("\r\n".join(lines).encode("cp1252") + b"\r\n")
        big = "C:\\azbig\\TAVUUNINSTALL.INI"
        self.prefix.host("C:\\azbig\\d\\REAL.TXT").parent.mkdir(parents=True)
        self.prefix.host("C:\\azbig\\d\\REAL.TXT").write_bytes(b"real")
        self.prefix.host(big).write_bytes(
            b"[FILES]\r\n" + b"".join(b"C:\\azbig\\d\\f%06d.txt=1\r\n" % i
                                       for i in range(100000)) +
            b"C:\\azbig\\d\\REAL.TXT=1\r\n[DIRS]\r\nC:\\azbig=1\r\n")
        self.prefix.host("C:\\azempty\\TAVUUNINSTALL.INI").parent.mkdir(parents=True)
        self.prefix.host("C:\\azempty\\TAVUUNINSTALL.INI").write_bytes(b"")
        self.prefix.host("C:\\azcut\\TAVUUNINSTALL.INI").parent.mkdir(parents=True)
        self.prefix.host("C:\\azcut\\KEEP.TXT").write_bytes(b"keep")
        self.prefix.host("C:\\azcut\\TAVUUNINSTALL.INI").write_bytes(
            b"[FILES]\r\nC:\\azcut\\KEEP.TXT=1\r\nC:\\azcut\\OTH")
        uninstaller = windows + "\\TAVUUNINSTALL.EXE"
        self.prefix.copy_in(uninstalling.uninstaller_file(), uninstaller)
        # Each as an installation would have registered it.
        for name in ("azplant", "azbig", "azempty", "azcut"):
            uninstalling.register(self.prefix, name, "C:\\" + name, uninstaller)
        before = uninstalling.snapshot(self.prefix)

        codes = {}
        for name, profile in (("planted", planted), ("big", big), ("missing", "C:\\aznone\\TAVUUNINSTALL.INI"),
                              ("empty", "C:\\azempty\\TAVUUNINSTALL.INI"),
                              ("cut", "C:\\azcut\\TAVUUNINSTALL.INI"),
                              ("not a profile", windows + "\\win.ini")):
            run = uninstalling.run_command(self.prefix, '"%s" /S "%s"' % (uninstaller, profile))
            self.assertEqual(run.dialogs, [], name)
            codes[name] = run.code
        self.assertEqual(codes, {"planted": 2, "big": 0, "missing": 1, "empty": 1, "cut": 2,
                                 "not a profile": 1})
        changes = uninstalling.differences(before, uninstalling.snapshot(self.prefix))
        self.assertEqual(changes, [
            ("dir c:\\azbig", "removed"), ("dir c:\\azbig\\d", "removed"),
            ("file c:\\azbig\\d\\real.txt", "removed"),
            ("file c:\\azbig\\tavuuninstall.ini", "removed"),
            ("file c:\\azcut\\tavuuninstall.ini", "removed"),
            ("file c:\\azplant\\tavuuninstall.ini", "removed")])


if __name__ == "__main__":
    unittest.main(verbosity=2)
