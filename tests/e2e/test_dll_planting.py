"""DLLs left beside the installer and beside the uninstaller by another
program of the user: both programs import only KnownDLLs (and the
uninstaller's manifest asks for administrator rights); with Wine told to
prefer a DLL found on the search path over its own (native first, as
Windows does for every DLL that is not a KnownDLL), a recording DLL planted
under every name either program, the shell, COM, themes and text services
could ask for is never loaded, and the installation and the removal are
complete."""

import unittest

import pefile

import payloads
import uninstalling
from scenario import Scenario, helper_bytes, helper_path
from testbed import settings

MARKERS = "C:\\azplanted"
FOLDER = "C:\\AzProduit"
PRODUCT = "AzPlanted"

# KnownDLLs: Windows maps them from its own copies whatever lies beside a
# program. The two programs' import tables hold only these. Wine has no such
# list and takes some of them from the program's folder: they are planted
# with Wine told to take its own (builtin only), which is what Windows does.
KNOWN = ("advapi32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 user32 msctf imm32 shlwapi "
         "shcore setupapi comdlg32 combase rpcrt4 sechost ws2_32").split()
# Wine's own user32 imports version.dll (Windows' does not), so under Wine
# any window program loads a native version.dll from its folder before its
# first instruction: planted as builtin only too. That the programs do not
# import it is read from their import tables.
WINE_IMPORTED = ["version"]
# The DLLs the programs load themselves, and what Windows components load
# by name on their behalf (themes, text services, the shell, COM, security),
# and more: native first, as Windows takes any DLL that is not a KnownDLL.
SEARCHED = (
    "psapi "
    "uxtheme dwmapi comctl32 textshaping textinputframework coremessaging coreuicomponents "
    "wintypes oleacc "
    "windows.storage propsys profapi cfgmgr32 edputil urlmon iertutil srvcli netutils linkinfo "
    "ntshrui mpr apphelp shfolder kernel.appcore powrprof umpdc wldp "
    "cryptbase cryptsp bcrypt sspicli secur32 ntmarta userenv wtsapi32 winsta "
    "dbghelp winmm wininet winhttp crypt32 wintrust msasn1 rsaenh dnsapi iphlpapi "
    "riched20 msimg32 dwrite d3d11 dxgi "
).split()
PLANTED = KNOWN + WINE_IMPORTED + SEARCHED


def overrides():
    return ";".join([name + "=b" for name in KNOWN + WINE_IMPORTED] +
                    [name + "=n,b" for name in SEARCHED])


class DllPlanting(Scenario):

    def plant(self, folder):
        dll = helper_bytes("az_planted.dll")
        for name in PLANTED:
            self.prefix.host(folder + "\\" + name + ".dll").write_bytes(dll)

    def loaded(self):
        root = self.prefix.host(MARKERS)
        return sorted(p.name for p in root.iterdir()) if root.is_dir() else []

    def test_planted_dlls_are_never_loaded(self):
        for program in (settings().azsetup, uninstalling.uninstaller_file()):
            pe = pefile.PE(str(program), fast_load=True)
            pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
            imported = {i.dll.decode().lower()[:-4] for i in pe.DIRECTORY_ENTRY_IMPORT}
            self.assertLessEqual(imported, set(KNOWN), "%s imports" % program.name)
        # The uninstaller asks for administrator rights itself, whatever its name.
        pe = pefile.PE(str(uninstalling.uninstaller_file()))
        manifests = [pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                     for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries
                     if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]
                     for name in kind.directory.entries for language in name.directory.entries]
        self.assertEqual(len(manifests), 1)
        self.assertIn(b'level="requireAdministrator"', manifests[0])
        files = {"APP.EXE": helper_bytes("az_product.exe"), "LISEZMOI.TXT": b"Lisez-moi\r\n"}
        source = payloads.write_tree(self.build / "src", files)
        out = payloads.build_installer(source, self.build / "setup.exe", install_folder=FOLDER,
                                       product_name=PRODUCT,
                                       uninstaller=uninstalling.uninstaller_file())
        self.prefix.copy_in(out, "C:\\azwork\\setup.exe")
        self.plant("C:\\azwork")

        # The planted DLL does record when loaded: a program that imports
        # version.dll, started from that folder, loads it (and fails to start).
        probe = self.prefix.host("C:\\azwork\\probe.exe")
        probe.write_bytes(helper_path("az_version.exe").read_bytes())
        self.prefix.run("C:\\azwork\\probe.exe", ["C:\\azwork\\setup.exe"],
                        dll_overrides="version=n,b")
        self.assertIn("version.dll.txt", self.loaded(), "the planted DLL records its loading")
        self.prefix.host(MARKERS + "\\version.dll.txt").unlink()
        self.assertEqual(self.loaded(), [])
        probe.unlink()

        run = self.install("C:\\azwork\\setup.exe", dll_overrides=overrides())
        self.assertEqual(self.loaded(), [], "DLLs loaded from beside the installer")
        self.assertFinishedQuietly(run)
        self.assertFiles(FOLDER, dict(files))
        entry = self.uninstall_entry(PRODUCT)
        self.assertIsNotNone(entry, "the Uninstall entry")

        # The uninstaller, run as the entry says, with the same DLLs beside it.
        command = entry["QuietUninstallString"].text
        uninstaller = uninstalling.split_command_line(command)[0]
        beside = uninstaller.rsplit("\\", 1)[0]
        self.plant(beside)
        removal = uninstalling.run_command(self.prefix, command, dll_overrides=overrides())
        for name in PLANTED:
            self.prefix.host(beside + "\\" + name + ".dll").unlink()
        self.assertEqual(removal.code, 0, removal.run.output[-2000:])
        self.assertEqual(self.loaded(), [], "DLLs loaded from beside the uninstaller")
        self.assertFalse(self.prefix.host(FOLDER).exists(), "the install folder is removed")
        self.assertIsNone(self.uninstall_entry(PRODUCT))


if __name__ == "__main__":
    unittest.main(verbosity=2)
