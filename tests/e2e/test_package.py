"""The Debian package as a publisher gets it: made with CPack from the host
build (which collects the stubs of the win32 and win64 builds), unpacked with
dpkg-deb -x into a throw-away folder, and its azpack, given nothing but the
source folder and the output, makes the i686 installer of the sample, which
installs under Wine."""

import gzip
import re
import subprocess
import unittest
from pathlib import Path

from scenario import Scenario
from testbed import settings

SAMPLE_FILES = ["CARNET.ICO", "LISEZMOI.TXT", "modeles", "notes"]


class Package(Scenario):

    def tool(self, *args, cwd=None):
        done = subprocess.run([str(a) for a in args], capture_output=True, timeout=600, cwd=cwd)
        self.assertEqual(done.returncode, 0, (args, done.stdout[-3000:], done.stderr[-3000:]))
        return done

    def check_documents(self, root):
        """What a publisher reads: the licence, what the stubs link, links
        that lead somewhere, every build option in the manual page."""
        docs = root / "usr/share/doc/azsetup"
        self.assertIn("MIT License", (docs / "LICENSE").read_text())
        self.assertIn("The azsetup developers", (docs / "LICENSE").read_text())
        copyright = (docs / "copyright").read_text()
        for needle in ("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/",
                       "License: Expat", "License: Zlib", "License: ZPL-2.1",
                       "GCC RUNTIME LIBRARY EXCEPTION", "winpthreads", "Jean-loup Gailly"):
            self.assertIn(needle, copyright)
        for document in ("README.md", "azpack.md"):
            text = (docs / document).read_text()
            for target in re.findall(r"\]\(([^)#:]+)(?:#[^)]*)?\)", text):
                self.assertTrue((docs / target).is_file(), "%s links %s" % (document, target))
        manual = gzip.decompress((root / "usr/share/man/man1/azpack.1.gz").read_bytes()).decode()
        manual = manual.replace("\\-", "-")
        shown = self.tool(root / "usr/bin/azpack", "build", "--help").stdout.decode()
        options = set(re.findall(r"^\s+(?:-\w, )?(--[a-z-]+)", shown, re.M))
        self.assertEqual(sorted(o for o in options if o not in manual), [])

    def test_the_unpacked_package_builds_a_default_installer_that_installs(self):
        host_build = Path(settings().azpack).parents[2]
        out = self.build / "package"
        self.tool("cpack", "-G", "DEB", "--config", host_build / "CPackConfig.cmake", "-B", out,
                  "-D", "CPACK_OUTPUT_FILE_PREFIX=%s" % out,
                  cwd=self.build)
        debs = sorted(out.glob("azsetup_*_amd64.deb"))
        self.assertEqual(len(debs), 1, list(out.iterdir()))
        fields = self.tool("dpkg-deb", "-f", debs[0], "Package", "Architecture", "Depends")
        text = fields.stdout.decode()
        self.assertIn("Package: azsetup", text)
        self.assertIn("Architecture: amd64", text)
        depends = text.split("Depends:", 1)[1].strip()
        names = sorted(d.strip().split(" ")[0] for d in depends.split(","))
        self.assertEqual(names, ["libc6", "libdeflate0", "libgcc-s1", "libstdc++6", "zlib1g"])

        root = self.build / "unpacked"
        self.tool("dpkg-deb", "-x", debs[0], root)
        for path in ("usr/bin/azpack", "usr/share/azsetup/i686/azsetup.exe",
                     "usr/share/azsetup/x86_64/azsetup.exe", "usr/share/man/man1/azpack.1.gz",
                     "usr/share/doc/azsetup/README.md", "usr/share/doc/azsetup/azpack.md",
                     "usr/share/doc/azsetup/LICENSE", "usr/share/doc/azsetup/copyright"):
            self.assertTrue((root / path).is_file(), path)
        self.check_documents(root)
        azpack = root / "usr/bin/azpack"
        self.assertEqual(self.tool(azpack, "--version").stdout.decode().split()[0], "azpack")

        built = self.build / "carnet.exe"
        sample = Path(settings().source) / "samples" / "product"
        done = self.tool(azpack, "build", sample, "-o", built)
        self.assertIn(b"no install folder", done.stderr)
        self.tool(azpack, "verify", built)
        listed = self.tool(azpack, "list", built).stdout.decode("utf-8")
        uninstaller = root / "usr/share/azsetup/i686/TAVUUNINSTALL.EXE"
        self.assertTrue(uninstaller.is_file(), "the package carries no i686 uninstaller")
        self.assertIn("TAVUUNINSTALL.EXE", listed)
        with open(built, "rb") as f:
            image = f.read()
        pe = image[int.from_bytes(image[0x3C:0x40], "little"):]
        self.assertEqual(pe[4:6], b"\x4c\x01", "the default stub is the i686 one")

        exe = self._place(built, "carnet.exe")
        run = self.install(exe)
        self.assertFinishedQuietly(run)
        # No install folder: a folder named after the installer on the Desktop.
        desktop = self.shell_folder("Desktop")
        self.assertIsNotNone(desktop)
        folder = self.prefix.host(desktop.rstrip("\\") + "\\carnet")
        self.assertTrue(folder.is_dir(), "no folder %s" % folder)
        self.assertEqual(sorted(p.name for p in folder.iterdir()
                                if p.name != "TAVUUNINSTALL.INI"), SAMPLE_FILES)
        for name in ("LISEZMOI.TXT", "CARNET.ICO"):
            self.assertEqual((folder / name).read_bytes(), (sample / name).read_bytes())
        # With its uninstaller; a payload without a product name registers nothing.
        windows = self.machine.windows.rstrip("\\")
        self.assertEqual(self.prefix.host(windows + "\\TAVUUNINSTALL.EXE").read_bytes(),
                         uninstaller.read_bytes())
        entry = self.uninstall_entry("carnet")
        self.assertIsNone(entry, "no product name, no Uninstall entry")


if __name__ == "__main__":
    unittest.main()
