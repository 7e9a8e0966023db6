"""The test bed's own code, without Wine: the registry file reader and
writer, the hand-made payload writer (checked against azpack both ways), the
profile and message texts, and the lnkinfo reader."""

import struct
import tempfile
import unittest
import zlib
from pathlib import Path

import payloads
import shortcuts
import winereg
from payloads import Entry
from scenario import Scenario, parse_profile, profile_text, write_failure_text

REG_SAMPLE = r'''WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\AzTest\\Br\]acket] 1700000000
#time=1d9e0c1f2a3b4c5
@="default"
"Plain"="C:\\Program Files\\x\"q\""
"Accent"="trouv\x00e9 \xe9t\x00e9"
"Embedded"="a\0b\0001"
"Expand"=str(2):"%SystemRoot%\\x"
"Multi"=hex(7):61,00,00,00,62,00,00,00,00,00
"Binary"=hex:01,02,\
  03,04
"Number"=dword:0000002a
"NoZero"=hex(1):41,00
'''


class RegistryFiles(unittest.TestCase):

    def load(self, text):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        path = Path(folder.name) / "user.reg"
        path.write_text(text, encoding="utf-8")
        return winereg.RegFile(path)

    def test_values_come_back_with_exact_types_and_bytes(self):
        reg = self.load(REG_SAMPLE)
        values = reg.values("software\\aztest\\br]acket")
        self.assertEqual(values[None], winereg.string_value("default"))
        self.assertEqual(values["Plain"].text, 'C:\\Program Files\\x"q"')
        self.assertEqual(values["Accent"].text, "trouv\u00e9 \u00e9t\u00e9")
        self.assertEqual(values["Embedded"].data, "a\0b\x001".encode("utf-16-le") + b"\0\0")
        self.assertEqual(values["Expand"], winereg.string_value("%SystemRoot%\\x", 2))
        self.assertEqual(values["Multi"].kind, winereg.REG_MULTI_SZ)
        self.assertEqual(values["Binary"], winereg.RegValue(winereg.REG_BINARY, b"\1\2\3\4"))
        self.assertEqual(values["Number"].data, struct.pack("<I", 42))
        self.assertEqual(values["NoZero"], winereg.RegValue(winereg.REG_SZ, b"A\0"))
        self.assertFalse(values["NoZero"].terminated)

    def test_saved_file_reads_back_the_same(self):
        reg = self.load(REG_SAMPLE)
        reg.set_value("Software\\New\\Key", "Long", winereg.string_value("y" * 1100))
        reg.set_value("Software\\New\\Key", "Bin", winereg.RegValue(3, bytes(range(256))))
        reg.set_value("Software\\AzTest\\Br]acket", "plain", winereg.string_value("again"))
        reg.delete_value("Software\\AzTest\\Br]acket", "Number")
        reg.save()
        again = winereg.RegFile(reg.path)
        self.assertEqual(again.values("Software\\New\\Key"),
                         {"Long": winereg.string_value("y" * 1100),
                          "Bin": winereg.RegValue(3, bytes(range(256)))})
        old = again.values("Software\\AzTest\\Br]acket")
        self.assertEqual(old["Plain"].text, "again")
        self.assertNotIn("Number", old)
        self.assertEqual(old["Embedded"], reg.value("Software\\AzTest\\Br]acket", "Embedded"))
        self.assertTrue(again.preamble[0].startswith("WINE REGISTRY Version 2"))


class HandMadePayloads(unittest.TestCase):

    def test_layout_offsets_and_sizes(self):
        header = payloads.header_bytes(mainProgram="APP.EXE", installFolder="C:\\X",
                                       productName="P\u00e9")
        self.assertEqual(len(header), 2444)
        self.assertEqual(struct.unpack_from("<I", header, 0)[0], 2444)
        self.assertEqual(header[100:108], b"APP.EXE\0")
        self.assertEqual(header[1124:1129], b"C:\\X\0")
        self.assertEqual(struct.unpack_from("<5i", header, 1384), (28, 1, 1, 0, 0))
        self.assertEqual(header[1404:1407], b"P\xe9\0")
        table = payloads.single_page_table([(b"A", 0), (b"BB", 17)])
        self.assertEqual(len(table), 7176)
        self.assertEqual(struct.unpack_from("<iii", table, 0), (0, 9 + 1 + 9 + 2, -1))
        self.assertEqual(table[12:22], struct.pack("<ii", -1, 0) + b"A\0")
        self.assertEqual(struct.unpack_from("<ii", table, 7168), (-1, 1))
        with self.assertRaises(ValueError):
            payloads.header_bytes(productName="x" * 260)

    def test_payload_reads_back_and_damage_is_where_it_was_put(self):
        entries = [Entry("B.TXT", b"bee"), Entry("A.TXT", b"ay" * 100),
                   Entry("C.TXT", raw_chunk=payloads.chunk(
                       b"sea", stream=payloads.damaged_stream(b"sea")))]
        data = payloads.payload_bytes(payloads.header_bytes(mainProgram="A.TXT"), entries)
        header, table, data_start = payloads.read_payload(data)
        self.assertEqual(header["mainProgram"], b"A.TXT")
        self.assertEqual([n for n, _ in table], [b"A.TXT", b"B.TXT", b"C.TXT"])
        values = dict(table)
        self.assertEqual(values[b"B.TXT"], 0, "the first chunk lies at dataStart")
        self.assertEqual(payloads.file_chunk(data, data_start, values[b"A.TXT"]), b"ay" * 100)
        with self.assertRaises(zlib.error):
            payloads.file_chunk(data, data_start, values[b"C.TXT"])

    def test_azpack_agrees_with_the_hand_made_writer_both_ways(self):
        try:
            payloads.azpack("--help", check=False)
        except (RuntimeError, FileNotFoundError) as e:
            self.skipTest("azpack is not available: %s" % e)
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        work = Path(folder.name)
        mine = work / "mine.payload"
        mine.write_bytes(payloads.payload_bytes(
            payloads.header_bytes(mainProgram="A.TXT", installFolder="C:\\Y"),
            [Entry("sub\\B.TXT", b"bee"), Entry("A.TXT", b"ay")]))
        payloads.azpack("verify", mine)
        listing = payloads.azpack("list", mine).stdout.decode("cp1252")
        self.assertIn("sub\\B.TXT", listing)

        source = payloads.write_tree(work / "src", {"A.TXT": b"ay", "sub/B.TXT": b"bee"})
        built = payloads.build_installer(source, work / "setup.exe", main_program="A.TXT")
        data = payloads.payload_resource(built)
        header, table, data_start = payloads.read_payload(data)
        self.assertEqual(header["mainProgram"], b"A.TXT")
        contents = {n: payloads.file_chunk(data, data_start, v) for n, v in table}
        self.assertEqual(contents, {b"A.TXT": b"ay", b"sub\\B.TXT": b"bee"})

        odd = payloads.stamp(b"not a payload at all", work / "odd.exe")
        self.assertEqual(payloads.payload_resource(odd), b"not a payload at all")


class Texts(unittest.TestCase):

    def test_write_failure_message_bytes(self):
        text = write_failure_text("C:\\A B\\c.txt")
        self.assertTrue(text.startswith(b"Le fichier\n\tC:\\A B\\c.txt\nne peut \xeatre mis \xe0"))
        self.assertTrue(text.endswith(b"puis relancez cette installation."))
        self.assertNotIn(b"\r", text)

    def test_profile_text_round_trip(self):
        sections = [("FILES", [("C:\\\u00e9\\A=B", "1")]), ("HKLM", [("K", "")])]
        data = profile_text(sections)
        self.assertEqual(data, b"[FILES]\r\nC:\\\xe9\\A=B=1\r\n[HKLM]\r\nK=\r\n")
        self.assertEqual(parse_profile(b"[FILES]\r\nC:\\x=1\r\n\r\n[HKLM]\r\nK=\r\n"),
                         [("FILES", [("C:\\x", "1")]), ("HKLM", [("K", "")])])


LNKINFO_SAMPLE = """lnkinfo 20181227

Windows Shortcut information:
\tContains a link target identifier
\tContains a description string
\tContains a command line arguments string
\tContains an icon location string

Link information:
\tIcon index\t\t\t: 0
\tVolume label\t\t\t: 
\tLocal path\t\t\t: C:\\Az Dir\\APP.EXE
\tDescription\t\t\t: i-PelBor Pro
\tCommand line arguments\t\t:  ?
\tIcon location\t\t\t: C:\\Az Dir\\APP.ICO

Link target identifier:
\tShell item list
\t\tNumber of items\t\t: 4
"""


class LnkinfoReader(unittest.TestCase):

    def test_fields_and_a_leading_blank_in_the_arguments(self):
        link = shortcuts.Shortcut(LNKINFO_SAMPLE)
        self.assertEqual(link.target, "C:\\Az Dir\\APP.EXE")
        self.assertEqual(link.description, "i-PelBor Pro")
        self.assertEqual(link.arguments, " ?")
        self.assertEqual(link.icon_location, "C:\\Az Dir\\APP.ICO")
        self.assertIsNone(link.working_directory)
        bare = shortcuts.Shortcut(LNKINFO_SAMPLE.replace(
            "\tContains a command line arguments string\n", "").replace(
            "\tContains an icon location string\n", ""))
        self.assertIsNone(bare.arguments)
        self.assertIsNone(bare.icon_location)


class ChangeChecks(unittest.TestCase):
    """Scenario.assertChangedOnlyUnder on snapshot names (no prefix needed)."""

    def check(self, changed, folders):
        Scenario.assertChangedOnlyUnder(self, changed, folders)

    def test_paths_inside_the_folders_and_the_folders_above_them_pass(self):
        self.check(["AzApp", "AzApp\\Sub", "AzApp\\Sub\\A.TXT", "windows\\TAVU.INI",
                    "Program Files\\i-Vorta\\YPH.EXE"],
                   ["C:\\AzApp\\Sub", "C:\\windows\\tavu.ini", "C:\\Program Files\\i-Vorta\\"])

    def test_a_neighbour_with_the_same_beginning_fails(self):
        for changed in (["AzAppX\\A.TXT"], ["windows\\TAVU.INI.bak"], ["AzA"], ["B.TXT"]):
            with self.subTest(changed=changed), self.assertRaises(AssertionError):
                self.check(changed, ["C:\\AzApp", "C:\\windows\\TAVU.INI"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
