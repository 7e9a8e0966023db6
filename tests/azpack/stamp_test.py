"""azpack stamp read back by an independent PE reader (pefile).

Run by ctest: stamp_test.py AZPACK STUB_FOLDER [unittest arguments]. The
folder holds the test stubs built by mingw: stub_x86_64.exe and
stub_i686.exe (not stripped: debug sections, a COFF symbol table behind the
sections, .reloc after .rsrc) and stub_x86_64_last.exe (stripped, without
.reloc, so that .rsrc is the last section)."""
import os
import shutil
import struct
import sys

import pefile

import azpack_testing as t
from azpack_testing import AzpackTestCase, run

STUBS = ""
QX = ("QX_TYPE", "QX_AZARCH")


def resources(pe):
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(kind.name) if kind.name is not None else kind.id
        for item in kind.directory.entries:
            name_key = str(item.name) if item.name is not None else item.id
            for language in item.directory.entries:
                entry = language.data.struct
                found[(type_key, name_key, language.id)] = pe.get_data(entry.OffsetToData,
                                                                      entry.Size)
    return found


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


class Stamp(AzpackTestCase):
    def setUp(self):
        super().setUp()
        t.write_file(self.path("src", "bin", "app.exe"), t.sample(50000, 1))
        t.write_file(self.path("src", "readme.txt"), b"Bonjour\r\n")
        self.payload = self.path("p.az")
        self.build(self.path("src"), self.payload, "--main-program", "bin\\app.exe")
        t.write_file(self.path("src", "more.bin"), t.sample(300000, 2))
        self.bigger = self.path("big.az")
        self.build(self.path("src"), self.bigger)

    def stub(self, name):
        return os.path.join(STUBS, name)

    def stamp(self, stub, payload, out):
        code, _, err = run("stamp", stub, payload, "-o", out)
        self.assertEqual(code, 0, err)
        return pefile.PE(out)

    def check_image(self, pe, data):
        """The headers agree with the sections and the file."""
        self.assertTrue(pe.verify_checksum(), "checksum")
        opt = pe.OPTIONAL_HEADER
        last = max(pe.sections, key=lambda s: s.VirtualAddress)
        self.assertEqual(opt.SizeOfImage,
                         align(last.VirtualAddress + last.Misc_VirtualSize, opt.SectionAlignment))
        ordered = sorted(pe.sections, key=lambda s: s.VirtualAddress)
        for before, after in zip(ordered, ordered[1:]):
            self.assertEqual(after.VirtualAddress,
                             align(before.VirtualAddress + max(before.Misc_VirtualSize, 1),
                                   opt.SectionAlignment))
        for section in pe.sections:
            if section.SizeOfRawData:
                self.assertEqual(section.PointerToRawData % opt.FileAlignment, 0)
                self.assertEqual(section.SizeOfRawData % opt.FileAlignment, 0)
                self.assertLessEqual(section.PointerToRawData + section.SizeOfRawData, len(data))
        directory = opt.DATA_DIRECTORY[2]
        holder = [s for s in pe.sections if s.VirtualAddress == directory.VirtualAddress]
        self.assertEqual(len(holder), 1)
        self.assertEqual(holder[0].Misc_VirtualSize, directory.Size)
        self.assertEqual(holder[0].Name.rstrip(b"\0"), b".rsrc")
        # On a page boundary, so that a loader can map the payload (Wine
        # otherwise reads all of it into memory at start-up).
        self.assertEqual(holder[0].PointerToRawData % 4096, 0)

    def check_stamped(self, stub_name, magic):
        stub_path = self.stub(stub_name)
        stub_data = t.read_file(stub_path)
        stub = pefile.PE(stub_path)
        self.assertEqual(stub.OPTIONAL_HEADER.Magic, magic)
        out = self.path("setup.exe")
        pe = self.stamp(stub_path, self.payload, out)
        data = t.read_file(out)
        self.assertEqual(pe.OPTIONAL_HEADER.Magic, magic)
        self.check_image(pe, data)

        before = resources(stub)
        after = resources(pe)
        self.assertIn(QX + (1033,), before)  # the stale payload of the stub
        self.assertEqual(after[QX + (1036,)], t.read_file(self.payload))
        self.assertEqual([k for k in after if k[:2] == QX], [QX + (1036,)])
        kept = {k: v for k, v in before.items() if k[:2] != QX}
        self.assertEqual({k: v for k, v in after.items() if k[:2] != QX}, kept)
        for kind in (3, 14, 16, 24, "AA_TYPE", "ZZ_TYPE"):
            self.assertTrue(any(k[0] == kind for k in kept), kind)

        symbols = stub.FILE_HEADER.PointerToSymbolTable
        if symbols:
            moved = pe.FILE_HEADER.PointerToSymbolTable
            self.assertEqual(data[moved:], stub_data[symbols:])
            self.assertGreater(moved, symbols)
        grown = pe.OPTIONAL_HEADER.SizeOfInitializedData - stub.OPTIONAL_HEADER.SizeOfInitializedData
        new_section = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"][0]
        old_section = [s for s in stub.sections if s.Name.rstrip(b"\0") == b".rsrc"][0]
        if len(pe.sections) == len(stub.sections):
            self.assertEqual(grown, new_section.SizeOfRawData - old_section.SizeOfRawData)
        else:
            self.assertEqual(len(pe.sections), len(stub.sections) + 1)
            self.assertEqual(grown, new_section.SizeOfRawData)
            names = [s.Name.rstrip(b"\0") for s in pe.sections]
            self.assertIn(b".oldrsrc", names)

        code, verified, err = run("verify", out)
        self.assertEqual(code, 0, err)
        code, listing, err = run("list", out)
        self.assertEqual(code, 0, err)
        self.assertIn("(resource at file offset", listing)
        code, _, err = run("extract", out, self.path("x"))
        self.assertEqual(code, 0, err)
        self.assertEqual(t.tree_contents(self.path("x")),
                         {"bin/app.exe": t.sample(50000, 1), "readme.txt": b"Bonjour\r\n"})
        return pe

    def test_pe32_plus_with_symbols_after_the_sections(self):
        pe = self.check_stamped("stub_x86_64.exe", 0x20B)
        self.assertEqual(pe.sections[-1].Name.rstrip(b"\0"), b".rsrc")

    def test_pe32(self):
        self.check_stamped("stub_i686.exe", 0x10B)

    def test_resource_section_last_is_rewritten_in_place(self):
        stub = pefile.PE(self.stub("stub_x86_64_last.exe"))
        self.assertEqual(stub.sections[-1].Name.rstrip(b"\0"), b".rsrc")
        pe = self.check_stamped("stub_x86_64_last.exe", 0x20B)
        self.assertEqual(len(pe.sections), len(stub.sections))
        self.assertEqual(pe.sections[-1].VirtualAddress, stub.sections[-1].VirtualAddress)

    def test_restamping_replaces_the_payload(self):
        for stub in ("stub_x86_64.exe", "stub_i686.exe"):
            with self.subTest(stub=stub):
                first = self.stamp(self.stub(stub), self.bigger, self.path("one.exe"))
                for payload in (self.payload, self.bigger):
                    again = self.stamp(self.path("one.exe"), payload, self.path("two.exe"))
                    self.check_image(again, t.read_file(self.path("two.exe")))
                    self.assertEqual(len(again.sections), len(first.sections))
                    self.assertEqual(resources(again)[QX + (1036,)], t.read_file(payload))
                    self.assertEqual(len(resources(again)), len(resources(first)))

    def test_overlay_moves_behind_the_resources(self):
        overlay = b"OVERLAY-DATA" * 100
        for stub in ("stub_x86_64_last.exe", "stub_i686.exe"):
            with self.subTest(stub=stub):
                with_overlay = self.path("overlay.exe")
                t.write_file(with_overlay, t.read_file(self.stub(stub)) + overlay)
                pe = self.stamp(with_overlay, self.payload, self.path("out.exe"))
                data = t.read_file(self.path("out.exe"))
                self.assertTrue(data.endswith(overlay))
                self.assertTrue(pe.get_overlay().endswith(overlay))
                self.check_image(pe, data)

    def test_building_with_a_stub_equals_building_then_stamping(self):
        self.build(self.path("src"), self.path("direct.exe"), "--stub",
                   self.stub("stub_i686.exe"))
        self.stamp(self.stub("stub_i686.exe"), self.bigger, self.path("stamped.exe"))
        self.assertEqual(t.read_file(self.path("direct.exe")), t.read_file(self.path("stamped.exe")))

    def test_the_payload_can_come_from_an_installer(self):
        self.stamp(self.stub("stub_x86_64.exe"), self.payload, self.path("one.exe"))
        pe = self.stamp(self.stub("stub_i686.exe"), self.path("one.exe"), self.path("two.exe"))
        self.assertEqual(resources(pe)[QX + (1036,)], t.read_file(self.payload))

    def test_installer_builds_check_what_the_target_machine_will_do(self):
        stub = self.stub("stub_x86_64.exe")
        out = self.path("setup.exe")
        base = ["build", self.path("src"), "-o", out, "--stub", stub]
        folder = ["--install-folder", "%PROGRAMFILES%\\App"]
        refusals = [
            (["--main-program", "bin/apq.exe"] + folder,
             ("--main-program: main program 'bin\\apq.exe' is not among the files",
              "did you mean 'bin\\app.exe'?")),
            (["--install-folder", "Mon Appli"], ("never gives a full path",)),
            (["--install-folder", "$PROGRAMFILES\\Mon Appli"], ("never gives a full path",)),
            (["--product-version", "1.2.3.4.5"] + folder, ("is not one to four numbers",)),
            (["--product-version", "1.70000"] + folder, ("is not one to four numbers",)),
            (["--setup-icon", self.path("src", "readme.txt")] + folder, ("not a .ico file",)),
            (["--company", "Azur"] + folder, ("--company: a company needs a product version",)),
        ]
        for options, needles in refusals:
            with self.subTest(options=options):
                code, _, err = run(*base, *options)
                self.assert_refused(code, err, *needles)
                self.assert_no_output(out)
        code, _, err = run(*base, "--install-folder", "%programfile%\\App")
        self.assertEqual(code, 0, err)
        self.assertIn("azpack: warning: --install-folder: %programfile% is not a folder macro",
                      err)
        self.assertIn("%programfiles%, %windir%, %tempdir%, %AppData%", err)
        code, _, err = run(*base)
        self.assertEqual(code, 0, err)
        self.assertIn("no install folder: the installer puts the product on the user's Desktop",
                      err)
        code, _, err = run(*base, "--lenient", "--install-folder", "Mon Appli",
                           "--main-program", "nothere.exe")
        self.assertEqual(code, 0, err)
        self.assertEqual(err.count("azpack: warning: "), 2, err)
        t.write_file(self.path("src", "YPH.EXE"), b"x")
        t.write_file(self.path("src", "IVORTA.EXE"), b"x")
        code, _, err = run(*base, *folder, "--product-name", "i-PelBor")
        self.assertEqual(code, 0, err)
        for needle in ("note: entry YPH.EXE is the companion program",
                       "note: entry IVORTA.EXE is the product program",
                       "note: product name i-PelBor also gets a second Desktop shortcut"):
            self.assertIn(needle, err)
        # The output inside the source folder is left out of the next build.
        inside = self.path("src", "setup.exe")
        for _ in range(2):
            code, _, err = run("build", self.path("src"), "-o", inside, "--stub", stub, *folder)
            self.assertEqual(code, 0, err)
        self.assertIn("left out of the entries", err)
        code, listed, _ = run("list", inside)
        self.assertNotIn("setup.exe", listed)

    def test_strict_builds_fail_where_the_installer_would_misbehave(self):
        # A publisher's CI: the project file written with quotes, then the
        # templates that lead to the Desktop or outside Program Files.
        stub = self.stub("stub_i686.exe")
        out = self.path("setup.exe")
        base = ["build", self.path("src"), "-o", out, "--stub", stub, "--strict"]
        project = self.path("setup.azproj")
        t.write_file(project, b'install-folder = "%PROGRAMFILES%\\Carnet"\n'
                              b'main-program = bin/app.exe\nproduct-name = " Carnet "\n')
        code, _, err = run(*base, "--project", project)
        self.assertEqual((code, err), (0, ""))
        code, shown, _ = run("list", out)
        self.assertIn("%PROGRAMFILES%\\Carnet\n", shown)
        self.assertIn(" Carnet \n", shown)
        os.remove(out)
        refusals = [
            (["--install-folder", "%LOCALAPPDATA%\\Carnet"],
             ("%LOCALAPPDATA% is not a folder macro", "can lead outside the program-files")),
            (["--install-folder", "%ProgramFiles(x86)%\\Carnet"],
             ("%ProgramFiles(x86)% is not a folder macro",)),
            ([], ("no install folder: the installer puts the product on the user's Desktop",)),
            (["--install-folder", "C:\\Carnet"], ("can lead outside the program-files",)),
            (["--install-folder", "$Software\\Carnet\\Dir$"],
             ("can lead outside the program-files",)),
        ]
        for options, needles in refusals:
            with self.subTest(options=options):
                code, _, err = run(*base, "--main-program", "bin/app.exe", *options)
                self.assert_strict_refusal(code, err, *needles)
                self.assert_no_output(out)
        # Characters no Windows path or name may hold, strict or not.
        for key, value in (("install-folder", '"%PROGRAMFILES%\\Carnet"'),
                           ("product-name", "Carnet?"), ("start-menu-name", "A|B"),
                           ("favorites-name", "tab\there")):
            with self.subTest(key=key):
                code, _, err = run("build", self.path("src"), "-o", out, "--stub", stub,
                                   "--" + key, value)
                self.assert_refused(code, err, "--" + key + ": ", "which no Windows path or name")
                self.assert_no_output(out)
        # strict = true in the project file; a 64-bit main program in the
        # 32-bit installer is one more warning.
        shutil.copy(self.stub("stub_x86_64.exe"), self.path("src", "bin", "app.exe"))
        t.write_file(project, b"install-folder = %PROGRAMFILES%\\Carnet\n"
                              b"main-program = bin/app.exe\nstrict = true\n")
        code, _, err = run("build", self.path("src"), "-o", out, "--stub", stub,
                           "--project", project)
        self.assert_strict_refusal(code, err, "warning: main program 'bin\\app.exe' is a 64-bit "
                                              "program in a 32-bit (i686) installer")
        self.assert_no_output(out)
        t.write_file(project, b"strict = yes\n")
        code, _, err = run("build", self.path("src"), "-o", out, "--stub", stub,
                           "--project", project)
        self.assert_refused(code, err, "strict wants true or false")

    def test_sign_command_signs_the_uninstaller_and_the_installer(self):
        # A stand-in signer that appends a mark and logs what it was given.
        stub = self.stub("stub_i686.exe")
        out = self.path("setup.exe")
        log = self.path("signed.log")
        signer = "cat {in} > {out} && printf SIGNED >> {out} && echo {in} >> " + log
        uninstaller = self.path("TAVU.EXE")
        shutil.copy(stub, uninstaller)
        base = ["build", self.path("src"), "-o", out, "--stub", stub, "--install-folder",
                "%PROGRAMFILES%\\App", "--uninstaller", uninstaller]
        code, _, err = run(*base, "--sign-command", signer)
        self.assertEqual(code, 0, err)
        self.assertTrue(t.read_file(out).endswith(b"SIGNED"))
        code, _, err = run("extract", out, self.path("x"))
        self.assertEqual(code, 0, err)
        self.assertEqual(t.read_file(self.path("x", "TAVUUNINSTALL.EXE")),
                         t.read_file(uninstaller) + b"SIGNED")
        signed = t.read_file(log).decode().splitlines()
        self.assertEqual(signed[0], uninstaller)
        self.assertRegex(signed[1], r"/\.setup\.exe\.installer-\d+-0\.tmp$")
        self.assertEqual(len(signed), 2)
        before = t.read_file(out)
        for command, needles in (("false {in} {out}", ("the signing command failed",
                                                        "exit status 1")),
                                 ("true {in} {out}", ("wrote no program at {out}",))):
            with self.subTest(command=command):
                code, _, err = run(*base, "--sign-command", command)
                self.assert_refused(code, err, uninstaller, *needles)
                self.assertEqual(t.read_file(out), before)
                self.assertEqual([n for n in os.listdir(self.scratch) if n.endswith(".tmp")],
                                 [])
        code, _, err = run(*base, "--sign-command", "signtool {in}")
        self.assert_refused(code, err, "--sign-command wants {in} and {out}", exit_code=2)

    def assert_strict_refusal(self, code, err, *needles):
        self.assertEqual(code, 1, err)
        for needle in needles:
            self.assertIn(needle, err)
        self.assertRegex(err.splitlines()[-1], r"^azpack: \d+ warnings? above and --strict "
                                               r"\(strict = true\): nothing written$")

    def test_a_stub_that_is_not_ours_is_refused(self):
        data = bytearray(t.read_file(self.stub("stub_x86_64.exe")))
        mark = "azsetup\0".encode("utf-16-le")
        self.assertEqual(data.count(mark), 1)
        at = data.index(mark)
        data[at:at + 2] = "b".encode("utf-16-le")
        foreign = self.path("foreign.exe")
        t.write_file(foreign, bytes(data))
        out = self.path("setup.exe")
        code, _, err = run("build", self.path("src"), "-o", out, "--stub", foreign)
        self.assert_refused(code, err, foreign, "is not an azsetup installer stub")
        self.assert_no_output(out)
        code, _, err = run("stamp", foreign, self.payload, "-o", out)
        self.assert_refused(code, err, foreign, "is not an azsetup installer stub")

    def test_signed_stub_is_refused(self):
        data = bytearray(t.read_file(self.stub("stub_x86_64.exe")))
        stub = pefile.PE(data=bytes(data))
        certificate = b"\x10\x00\x00\x00\x00\x02\x02\x00" + b"\0" * 8
        security = stub.OPTIONAL_HEADER.DATA_DIRECTORY[4]
        struct.pack_into("<II", data, security.get_file_offset(), len(data), len(certificate))
        signed = self.path("signed.exe")
        t.write_file(signed, bytes(data) + certificate)
        out = self.path("setup.exe")
        code, _, err = run("stamp", signed, self.payload, "-o", out)
        self.assert_refused(code, err, signed, "digital signature")
        self.assert_no_output(out)
        code, _, err = run("build", self.path("src"), "-o", out, "--stub", signed)
        self.assert_refused(code, err, signed, "digital signature")
        self.assert_no_output(out)

    def test_full_section_table_is_refused(self):
        data = bytearray(t.read_file(self.stub("stub_i686.exe")))
        stub = pefile.PE(data=bytes(data))
        end = stub.sections[-1].get_file_offset() + 40
        data[end:end + 40] = b"\xff" * 40
        crowded = self.path("crowded.exe")
        t.write_file(crowded, bytes(data))
        out = self.path("setup.exe")
        code, _, err = run("stamp", crowded, self.payload, "-o", out)
        self.assert_refused(code, err, crowded, "no room in the PE section table")
        self.assert_no_output(out)

    def test_payload_that_is_not_a_payload(self):
        out = self.path("setup.exe")
        code, _, err = run("stamp", self.stub("stub_i686.exe"), self.path("src", "readme.txt"),
                           "-o", out)
        self.assert_refused(code, err, "readme.txt", "not a payload")
        code, _, err = run("stamp", self.stub("stub_x86_64_last.exe"),
                           self.stub("stub_x86_64_last.exe"), "-o", out)
        # A program with only a stale, non-payload QX resource is no payload either.
        self.assertEqual(code, 1, err)
        self.assert_no_output(out)


if __name__ == "__main__":
    t.AZPACK = os.path.abspath(sys.argv.pop(1))
    STUBS = os.path.abspath(sys.argv.pop(1))
    t.unittest.main(verbosity=2)
