"""The installer as a publisher ships it: built with its own icon and version
texts, signed afterwards with osslsigncode and a throw-away certificate, and
signed in the build with --sign-command (its uninstaller too). The
face is read back with pefile and, under Wine, with GetFileVersionInfoA; the
signed file verifies, installs, and its Uninstall entry shows the version
and the publisher; stamping it again is refused."""

import shlex
import struct
from pathlib import Path
import subprocess
import unittest
import zlib

import pefile

import payloads
import winereg
from scenario import Scenario, helper_bytes
from testbed import read_record, settings, unhex

FOLDER = "C:\\AzMarque"
PRODUCT = "AzMarque"
FACE = {"--product-version": "3.1.4", "--company": "Éditions Azur",
        "--description": "Installation d'AzMarque", "--copyright": "© 2026 Éditions Azur"}


def png(side, rgba):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + \
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    rows = b"".join(b"\0" + rgba * side for _ in range(side))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)) \
        + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def icon_file(images):
    """A .ico of PNG images; returns (file bytes, the group resource expected)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    entries, group, body = b"", head, b""
    offset = 6 + 16 * len(images)
    for number, (side, data) in enumerate(images, 1):
        entry = struct.pack("<BBBBHHI", side % 256, side % 256, 0, 0, 1, 32, len(data))
        entries += entry + struct.pack("<I", offset + len(body))
        group += entry + struct.pack("<H", number)
        body += data
    return head + entries + body, group


def resources(pe, kind):
    """{name id: (language, bytes)} of a numbered resource type."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found[name.id] = (language.id, pe.get_data(data.OffsetToData, data.Size))
    return found


class Publisher(Scenario):

    def run_tool(self, *args):
        return subprocess.run([str(a) for a in args], capture_output=True, timeout=300)

    def assertVersionResource(self, path, icon_images, group):
        pe = pefile.PE(str(path))
        self.assertEqual(resources(pe, pefile.RESOURCE_TYPE["RT_GROUP_ICON"]),
                         {1: (0x40C, group)})
        self.assertEqual(resources(pe, pefile.RESOURCE_TYPE["RT_ICON"]),
                         {n: (0x40C, data) for n, (_, data) in enumerate(icon_images, 1)})
        self.assertEqual([language for language, _ in
                          resources(pe, pefile.RESOURCE_TYPE["RT_VERSION"]).values()], [0x40C])
        fixed = pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x30001, 0x40000))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x30001, 0x40000))
        tables = [t for info in pe.FileInfo[0] for t in getattr(info, "StringTable", [])]
        self.assertEqual([t.LangID for t in tables], [b"040C04E4"])
        strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
        self.assertEqual({k: strings.get(k) for k in (
            "FileDescription", "ProductName", "ProductVersion", "CompanyName", "LegalCopyright",
            "InternalName")}, {
            "FileDescription": FACE["--description"], "ProductName": PRODUCT,
            "ProductVersion": "3.1.4", "CompanyName": FACE["--company"],
            "LegalCopyright": FACE["--copyright"], "InternalName": "azsetup"})

    def test_branded_signed_installer_installs_and_shows_its_publisher(self):
        images = [(16, png(16, b"\x20\x60\xc0\xff")), (32, png(32, b"\xc0\x60\x20\xff"))]
        ico, group = icon_file(images)
        (self.build / "app.ico").write_bytes(ico)
        files = {"APP.EXE": helper_bytes("az_mainprog.exe"), "LISEZMOI.TXT": b"Lisez-moi\r\n"}
        source = payloads.write_tree(self.build / "src", files)
        built = self.build / "branded.exe"
        args = ["build", source, "-o", built, "--stub", settings().azsetup, "--product-name",
                PRODUCT, "--install-folder", FOLDER, "--setup-icon", self.build / "app.ico"]
        for option, value in FACE.items():
            args += [option, value]
        payloads.azpack(*args)
        self.assertVersionResource(built, images, group)

        # Signed after building, with a certificate made for this test.
        key, cert = self.build / "key.pem", self.build / "cert.pem"
        made = self.run_tool("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                             "-keyout", key, "-out", cert, "-subj", "/CN=AzMarque test",
                             "-days", "2")
        self.assertEqual(made.returncode, 0, made.stderr)
        signed = self.build / "signed.exe"
        sign = self.run_tool("osslsigncode", "sign", "-certs", cert, "-key", key,
                             "-n", PRODUCT, "-in", built, "-out", signed)
        self.assertEqual(sign.returncode, 0, sign.stdout + sign.stderr)
        check = self.run_tool("osslsigncode", "verify", "-CAfile", cert, "-in", signed)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertVersionResource(signed, images, group)
        self.assertEqual(payloads.azpack("verify", signed).returncode, 0)
        listed = payloads.azpack("list", signed).stdout.decode("utf-8")
        self.assertIn("LISEZMOI.TXT", listed)
        refused = payloads.azpack("stamp", signed, built, "-o", self.build / "again.exe",
                                  check=False)
        self.assertEqual(refused.returncode, 1)
        self.assertIn(b"digital signature", refused.stderr)
        self.assertIn(b"sign the result", refused.stderr)
        self.assertFalse((self.build / "again.exe").exists())

        # Signed in the build: the uninstaller bound for the Windows folder
        # is signed before it is stored, then the installer.
        uninstaller = Path(settings().azsetup).parents[1] / "uninstall" / "TAVUUNINSTALL.EXE"
        flow = self.build / "flow.exe"
        payloads.azpack(*args[:3], flow, *args[4:], "--uninstaller", uninstaller,
                        "--sign-command", "osslsigncode sign -certs %s -key %s -n %s "
                        "-in {in} -out {out}" % (shlex.quote(str(cert)), shlex.quote(str(key)),
                                                 PRODUCT))
        unpacked = self.build / "unpacked"
        payloads.azpack("extract", flow, unpacked)
        for program in (flow, unpacked / "TAVUUNINSTALL.EXE"):
            check = self.run_tool("osslsigncode", "verify", "-CAfile", cert, "-in", program)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertVersionResource(flow, images, group)

        exe = self._place(signed, "signed.exe")
        result = "C:\\azwork\\observe\\version.txt"
        self.prefix.run(self.prefix.helper("az_version.exe"), [exe, result], timeout=60)
        top, _ = read_record(self.prefix.host(result))
        self.assertEqual(top.get("translation"), "040C04E4")
        self.assertEqual((top.get("file_version"), top.get("product_version")),
                         ("3.1.4.0", "3.1.4.0"))
        seen = {k: unhex(top.get(k)).decode("cp1252") for k in (
            "FileDescription", "ProductName", "ProductVersion", "CompanyName", "LegalCopyright")}
        self.assertEqual(seen, {"FileDescription": FACE["--description"], "ProductName": PRODUCT,
                                "ProductVersion": "3.1.4", "CompanyName": FACE["--company"],
                                "LegalCopyright": FACE["--copyright"]})

        run = self.install(self._place(flow, "flow.exe"))
        self.assertFinishedQuietly(run)
        windows = self.machine.windows.rstrip("\\")
        installed = self.prefix.host(windows + "\\TAVUUNINSTALL.EXE")
        check = self.run_tool("osslsigncode", "verify", "-CAfile", cert, "-in", installed)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertFiles(FOLDER, files)
        entry = self.uninstall_entry(PRODUCT)
        self.assertIsNotNone(entry, "no Uninstall entry")
        self.assertEqual(entry.get("DisplayVersion"), winereg.string_value("3.1.4"))
        self.assertEqual(entry.get("Publisher"), winereg.string_value(FACE["--company"]))
        self.assertEqual(entry.get("DisplayName"), winereg.string_value(PRODUCT))


if __name__ == "__main__":
    unittest.main()
