"""The install folder template in every form, expanded against the prefix's
real registry and folders: registry references, macros, the default leaf,
literals. Each case installs one marker file and reads back where it landed
and the folder recorded in the uninstall profile's "DIRS" section."""

import unittest

import winereg
from scenario import NOTHING_INSTALLED, Scenario, parse_profile

TEST_KEY = "Software\\AzTest\\Setup"


class FolderTemplates(Scenario):

    def expect_folder(self, template, folder, name="setup.exe"):
        """Installs a marker with `template` as the install folder and checks
        that it lands in `folder`, which the profile names as the folder."""
        marker = ("marker for %r\r\n" % template).encode("cp1252")
        setup = self.installer({"MARK.TXT": marker}, name=name, install_folder=template,
                               product_name="AzFolders")
        with self.subTest(template=template):
            run = self.install(setup)
            self.assertFinishedQuietly(run)
            where = folder if folder[1:2] == ":" else "C:\\azwork\\" + folder
            self.assertEqual(self.prefix.files_under(where).get("MARK.TXT"), marker,
                             "marker in %s" % where)
            sections = dict(parse_profile(self.profile(where + "\\TAVUUNINSTALL.INI")))
            self.assertEqual(sections.get("DIRS"), [(folder, "1")], "expanded folder")

    def test_registry_references(self):
        fit = "C:\\AzRegFit" + "\0" * (1023 - len("C:\\AzRegFit"))
        big = "C:\\AzRegBig" + "\0" * (1024 - len("C:\\AzRegBig"))
        self.prefix.set_values("HKCU", TEST_KEY, {
            "Folder": "C:\\AzReg\\Work",
            "Binary": winereg.RegValue(winereg.REG_BINARY, b"C:\\AzRegBin"),
            "Expand": winereg.string_value("C:\\AzRegExp", winereg.REG_EXPAND_SZ),
            # 1024 bytes with the terminator fit; the text ends at the first zero.
            "Fits": fit,
            # 1025 bytes do not fit: the value counts as missing.
            "Big": big,
            "Long": "C:\\AzRegLong\\" + "x" * 1100,
        })
        # A failed reference leaves the template as a relative folder; its
        # first component is taken for a drive and never created.
        self.prefix.host("C:\\azwork\\$Software").mkdir()

        self.expect_folder("$Software\\AzTest\\Setup\\Folder$\\Data", "C:\\AzReg\\Work\\Data")
        self.expect_folder("$Software\\AzTest\\Setup\\Folder$", "C:\\AzReg\\Work")
        self.expect_folder("$Software\\AzTest\\Setup\\Binary$", "C:\\AzRegBin")
        self.expect_folder("$Software\\AzTest\\Setup\\Expand$", "C:\\AzRegExp")
        self.expect_folder("$Software\\AzTest\\Setup\\Fits$", "C:\\AzRegFit")
        self.expect_folder("$Software\\AzTest\\Setup\\Big$", "$Software\\AzTest\\Setup\\Big$")
        self.expect_folder("$Software\\AzTest\\Setup\\Long$", "$Software\\AzTest\\Setup\\Long$")
        self.expect_folder("$Software\\AzTest\\Setup\\Missing$",
                           "$Software\\AzTest\\Setup\\Missing$")
        # A "%" after a successful reference is not expanded.
        self.expect_folder("$Software\\AzTest\\Setup\\Folder$\\%windir%",
                           "C:\\AzReg\\Work\\%windir%")

    def test_macros(self):
        self.use_program_files("C:\\AzProgs\\")
        self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop",
                                "Favorites": "C:\\azshell\\Favorites",
                                "Personal": "C:\\azshell\\Documents\\"})
        temp = self.machine.temp_folder
        windows = self.machine.windows.rstrip("\\")

        self.expect_folder("%tempdir%\\AzTmp", temp + "\\AzTmp")
        self.expect_folder("%windir%AzTool", windows + "AzTool")
        self.expect_folder("%WinDir%\\AzA%b", windows + "\\AzA", name="thirdpct.exe")
        self.expect_folder("%programfiles%", "C:\\AzProgs\\leafy", name="leafy.exe")
        self.expect_folder("%PROGRAMFILES%\\AzTool", "C:\\AzProgs\\AzTool")
        self.expect_folder("%Favorites%\\AzFav", "C:\\azshell\\Favorites\\AzFav")
        self.expect_folder("%desktop%\\AzDesk", "C:\\azshell\\Desktop\\AzDesk")
        # A shell folder keeps its trailing backslash.
        self.expect_folder("%Personal%\\AzDocs", "C:\\azshell\\Documents\\\\AzDocs")
        # Names that match nothing fall back to the desktop.
        self.expect_folder("%nosuchfolder%\\AzElse", "C:\\azshell\\Desktop\\AzElse")
        self.expect_folder("C:\\100%", "C:\\azshell\\Desktop\\percent", name="percent.exe")

    def test_empty_template_and_literals(self):
        self.use_shell_folders({"Desktop": "C:\\azshell\\Bureau"})
        self.expect_folder("", "C:\\azshell\\Bureau\\MySetup", name="MySetup.exe")
        self.expect_folder("C:\\AzLiteral\\Dir", "C:\\AzLiteral\\Dir")
        self.expect_folder("C:\\Az$Dollar", "C:\\Az$Dollar")

    def test_installer_name_that_names_no_folder_installs_nothing(self):
        """Renamed so that its base name would make %programfiles% the
        program-files folder itself ("...." is cut to nothing), its parent
        ("..") or another folder ("Carnet " is "Carnet"): nothing is
        installed, exit code 1."""
        self.use_program_files("C:\\AzProgs")
        before = self.prefix.snapshot()
        for name in ("....exe", "...exe", "Carnet .exe"):
            with self.subTest(name=name):
                setup = self.installer({"MARK.TXT": b"marker\r\n"}, name=name,
                                       install_folder="%programfiles%",
                                       product_name="AzFolders")
                self.assertFinishedQuietly(self.install(setup), code=NOTHING_INSTALLED)
                self.assertNoTemporaryFiles()
        self.assertChangedOnlyUnder(self.changed_since(before), ["C:\\azwork"])
        self.assertEqual(self.prefix.files_under("C:\\AzProgs"), {})
        self.assertIsNone(self.uninstall_entry("AzFolders"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
