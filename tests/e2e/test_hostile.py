"""Hostile and damaged payloads, written byte by byte (azpack refuses to
make them): each case states its outcome, and every run is checked for
files changed outside the folders that placement chooses and for
temporary files left behind.

Outcomes:
  - a damaged container (the resource, its signature, the header or table
    chunk, a header text without its end): nothing installed, nothing
    registered, no message, exit code 1;
  - a damaged entry table: the walk ends where the damage is, without
    completion: nothing registered and an earlier installation's record
    left as it was; what was written before is whole; exit code 3;
  - a damaged chunk or an unsafe entry name: that entry skipped, the rest
    installed; exit code 5;
  - a name the system cannot open: the write-failure stop, exit code 2;
  - a name whose path could never be recorded: nothing installed, exit 1.
"""

import struct
import unittest
import zlib

import payloads
from payloads import Entry
from scenario import (ENTRIES_SKIPPED, NOTHING_INSTALLED, STOPPED_ON_WRITE, TABLE_DAMAGED,
                      UNINSTALL_KEY, WRITE_FAILURE_CAPTION, Scenario, helper_bytes,
                      parse_profile, write_failure_text)
from uninstalling import our_uninstaller

INT32_MIN, INT32_MAX, UINT32_MAX = -0x80000000, 0x7FFFFFFF, 0xFFFFFFFF
ROOT, PAGE = payloads.ROOT_PAGE_SIZE, payloads.PAGE_SIZE


def pattern(seed, size):
    """Distinct, poorly compressible bytes."""
    out = bytearray()
    state = seed * 2654435761 & 0xFFFFFFFF
    while len(out) < size:
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        out += struct.pack("<I", state)
    return bytes(out[:size])


def entry(name, value, child=-1):
    return payloads.entry_bytes(name, value, child)


def page(entries, **fields):
    return payloads.page_bytes(entries, **fields)


def assemble(header, table, data_area):
    """A payload from a header record, a table image and a data area."""
    return payloads.SIGNATURE + payloads.chunk(header) + payloads.chunk(table) + data_area


class HostilePayloads(Scenario):

    def setUp(self):
        super().setUp()
        # A first program, so that Wine has settled the prefix before any
        # snapshot is taken.
        self.machine

    def attempt(self, setup, **options):
        """Runs an installer already in the prefix; (observation, paths
        changed on drive C:)."""
        before = self.prefix.snapshot()
        run = self.install(setup, **options)
        return run, self.changed_since(before)

    def assertNothingHappened(self, run, changed, exit_code=NOTHING_INSTALLED):
        self.assertFalse(run.timed_out, "the installer did not end")
        if exit_code is not None:
            self.assertEqual(run.code, exit_code, "exit code")
        self.assertEqual(run.dialogs, [], "no message box expected")
        self.assertEqual(changed, [], "files changed on drive C:")
        self.assertNoTemporaryFiles()

    def assertWriteFailureStop(self, run, path):
        self.assertFalse(run.timed_out, "the installer did not end")
        self.assertEqual(run.code, STOPPED_ON_WRITE, "exit code")
        self.assertEqual(len(run.dialogs), 1, run.dialogs)
        self.assertEqual(run.dialogs[0].caption, WRITE_FAILURE_CAPTION)
        self.assertEqual(run.dialogs[0].text, write_failure_text(path))

    def registered(self, products):
        """The products among `products` that have an Uninstall entry."""
        registry = self.prefix.registry("HKLM")
        return [p for p in products if registry.values(UNINSTALL_KEY + "\\" + p) is not None]

    def files_listed(self, folder):
        sections = dict(parse_profile(self.profile(folder + "\\TAVUUNINSTALL.INI") or b""))
        return [key for key, _ in sections.get("FILES", [])]

    # -- the container ---------------------------------------------------

    def test_damaged_containers_install_nothing(self):
        folder, product = "C:\\AzBroken", "AzBroken"
        header = payloads.header_bytes(installFolder=folder, productName=product)
        files = [Entry("A.TXT", b"first\r\n"), Entry("B.BIN", pattern(1, 20000))]
        good = payloads.payload_bytes(header, files)
        stream = zlib.compress(header, 9)
        table = payloads.single_page_table([(b"A.TXT", 0),
                                            (b"B.BIN", len(payloads.chunk(files[0].data)))])
        table_stream = zlib.compress(table, 9)
        header_end = 8 + 8 + len(stream)

        def with_header(chunk_bytes):
            return payloads.payload_bytes(header, files, header_chunk=chunk_bytes)

        def with_table(chunk_bytes):
            return payloads.payload_bytes(header, files, table_chunk=chunk_bytes)

        def unterminated(field, width):
            texts = {"installFolder": folder, "productName": product}
            texts[field] = (folder + "\\" + "x" * width)[:width] if field == "installFolder" \
                else "Q" * width
            return payloads.payload_bytes(
                payloads.header_bytes(terminate=False, **texts), files)

        cases = [
            ("an empty resource", b""),
            ("a resource of one byte", b"M"),
            ("a resource of three bytes", b"MWZ"),
            ("the signature alone", payloads.SIGNATURE),
            ("a cut chunk prefix", payloads.SIGNATURE + b"\x8c\x09\x00"),
            ("a prefix claiming more than follows", payloads.SIGNATURE +
             struct.pack("<II", 2444, 4000) + stream[:4]),
            ("a lower-case signature", b"mwz" + good[3:]),
            ("a wrong signature", b"MWX100" + good[6:]),
            ("an executable's header instead", b"MZ\x90\x00" + good[4:]),
            ("header: compressed size claims 4 GiB",
             with_header(payloads.chunk(header, compressed_size=UINT32_MAX))),
            ("header: compressed size 0", with_header(payloads.chunk(header, compressed_size=0))),
            ("header: stated size below the decoded size",
             with_header(payloads.chunk(header, uncompressed_size=100))),
            ("header: damaged stream",
             with_header(payloads.chunk(header, stream=payloads.damaged_stream(header)))),
            ("header: stream cut", with_header(payloads.chunk(header, stream=stream[:-12]))),
            ("table: compressed size claims 4 GiB",
             with_table(payloads.chunk(table, compressed_size=UINT32_MAX))),
            ("table: compressed size 0", with_table(payloads.chunk(table, compressed_size=0))),
            ("table: stated size below the decoded size",
             with_table(payloads.chunk(table, uncompressed_size=ROOT - 1))),
            ("table: damaged stream",
             with_table(payloads.chunk(table, stream=payloads.damaged_stream(table)))),
            ("table: stream cut", with_table(payloads.chunk(table, stream=table_stream[:-9]))),
            ("resource cut in the header chunk", good[:header_end - 20]),
            ("resource cut in the table chunk", good[:header_end + 8 + len(table_stream) // 2]),
        ]
        for field, width in (("mainProgram", 1024), ("installFolder", 260),
                             ("productName", 260), ("favoritesName", 260), ("iconFile", 260),
                             ("startMenuName", 260)):
            cases.append(("header text %s fills its %d bytes" % (field, width),
                          unterminated(field, width)))

        for n, (label, payload) in enumerate(cases):
            with self.subTest(case=label):
                setup = self.raw_installer(payload, name="broken%02d.exe" % n)
                self.assertNothingHappened(*self.attempt(setup))

        # The executable itself damaged: a resource directory that claims
        # more bytes than the image holds, and a file cut inside its
        # resource section (which the loader refuses to start).
        image = bytearray(payloads.stamp(good, self.build / "whole.exe").read_bytes())
        start, size_field = payloads.payload_resource_location(image)
        (self.build / "cut.exe").write_bytes(image[:start + len(good) // 2])
        struct.pack_into("<I", image, size_field, len(good) + (10 << 20))
        (self.build / "oversized.exe").write_bytes(bytes(image))
        for label, name, code in (("resource size past the image", "oversized.exe",
                                   NOTHING_INSTALLED),
                                  ("executable cut in its resources", "cut.exe", None)):
            with self.subTest(case=label):
                setup = self._place(self.build / name, name)
                run, changed = self.attempt(setup)
                self.assertNothingHappened(run, changed, exit_code=code)

        self.assertEqual(self.registered([product]), [], "registered")

    def test_sizes_above_what_the_stream_holds_install_the_decoded_bytes(self):
        # Only the length that decoding reports counts: a stated size above
        # it, even one of 4 GiB, changes nothing. The header record is
        # longer than 2444 bytes (the rest is ignored) and its language
        # fills its field without an end (the language is never read).
        folder = "C:\\AzLarge"
        header = payloads.header_bytes(terminate=False, language="L" * 96, installFolder=folder,
                                       productName="AzLarge")
        data = {name: pattern(n + 10, 3000 + n) for n, name in enumerate(
            ("A_STATED_4G.TXT", "B_STATED_2G.TXT", "C_STATED_PLUS_ONE.TXT",
             "D_COMPRESSED_LONGER.TXT", "E_PLAIN.TXT"))}
        chunks = {
            "A_STATED_4G.TXT": payloads.chunk(data["A_STATED_4G.TXT"],
                                              uncompressed_size=UINT32_MAX),
            "B_STATED_2G.TXT": payloads.chunk(data["B_STATED_2G.TXT"],
                                              uncompressed_size=0x80000000),
            "C_STATED_PLUS_ONE.TXT": payloads.chunk(
                data["C_STATED_PLUS_ONE.TXT"],
                uncompressed_size=len(data["C_STATED_PLUS_ONE.TXT"]) + 1),
            # 50 bytes after the stream's end are counted in the chunk.
            "D_COMPRESSED_LONGER.TXT": payloads.chunk(
                data["D_COMPRESSED_LONGER.TXT"],
                stream=zlib.compress(data["D_COMPRESSED_LONGER.TXT"], 9) + b"\xAA" * 50),
            "E_PLAIN.TXT": payloads.chunk(data["E_PLAIN.TXT"]),
        }
        entries = [Entry(name, raw_chunk=c) for name, c in chunks.items()]
        record = header + pattern(5, 5000)
        payload = payloads.payload_bytes(
            header, entries,
            header_chunk=payloads.chunk(record, uncompressed_size=UINT32_MAX),
            table_chunk=payloads.chunk(payloads.single_page_table(
                self._values(entries)), uncompressed_size=UINT32_MAX))
        setup = self.raw_installer(payload)
        run, changed = self.attempt(setup)

        self.assertFinishedQuietly(run)
        self.assertFiles(folder, data)
        self.assertEqual(self.files_listed(folder), [folder + "\\" + n for n in sorted(data)])
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

    @staticmethod
    def _values(entries):
        """(name, value) of entries whose chunks lie back to back, in order."""
        out, offset = [], 0
        for e in entries:
            out.append((e.name, offset))
            offset += len(e.raw_chunk)
        return sorted(out)

    # -- chunks ------------------------------------------------------------

    def test_damaged_chunks_skip_their_entry_and_install_the_rest(self):
        folder = "C:\\AzChunks"
        first, last = b"good first\r\n" * 20, pattern(2, 100000)
        data = pattern(3, 6000)
        stream = zlib.compress(data, 9)
        chunk = payloads.chunk
        entries = [
            Entry("A_GOOD.TXT", first),
            Entry("B_COMPRESSED_4G.BIN", raw_chunk=chunk(data, compressed_size=UINT32_MAX)),
            Entry("C_BOTH_4G.BIN", raw_chunk=chunk(data, compressed_size=UINT32_MAX,
                                                   uncompressed_size=UINT32_MAX)),
            Entry("D_STATED_SMALLER.BIN", raw_chunk=chunk(data, uncompressed_size=len(data) - 1)),
            Entry("E_STATED_ZERO.BIN", raw_chunk=chunk(data, uncompressed_size=0)),
            Entry("F_STREAM_CUT.BIN", raw_chunk=chunk(data, stream=stream[:-20])),
            Entry("G_COMPRESSED_ZERO.BIN", raw_chunk=chunk(data, compressed_size=0)),
            Entry("H_COMPRESSED_SHORT.BIN",
                  raw_chunk=chunk(data, compressed_size=len(stream) // 2)),
            Entry("I_DAMAGED_STREAM.BIN",
                  raw_chunk=chunk(data, stream=payloads.damaged_stream(data))),
            Entry("J_VALUE_NEGATIVE.BIN", value=-8),
            Entry("K_VALUE_MIN.BIN", value=INT32_MIN),
            Entry("L_VALUE_MAX.BIN", value=INT32_MAX),
            Entry("M_VALUE_INSIDE_A_CHUNK.BIN", value=3),
            Entry("N_VALUE_AT_THE_END.BIN", value=0),
            Entry("Z_GOOD_LAST.BIN", last),
        ]
        # Entries given a value still add an empty chunk that nothing points
        # to. N's value is the very end of the payload: nothing to read.
        entries[-2].value = sum(len(e.raw_chunk if e.raw_chunk is not None
                                    else payloads.chunk(e.data)) for e in entries)
        header = payloads.header_bytes(installFolder=folder, productName="AzChunks")
        payload = payloads.payload_bytes(header, entries)
        setup = self.raw_installer(payload)
        run, changed = self.attempt(setup)

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles(folder, {"A_GOOD.TXT": first, "Z_GOOD_LAST.BIN": last})
        self.assertEqual(self.files_listed(folder),
                         [folder + "\\A_GOOD.TXT", folder + "\\Z_GOOD_LAST.BIN"])
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

        # The resource cut inside the last chunk: the entries whose chunks
        # are whole install, the cut one is skipped.
        folder = "C:\\AzCut"
        files = {"A.TXT": pattern(4, 3000), "B.BIN": pattern(5, 40000), "C.TXT": pattern(6, 500)}
        entries = [Entry("A.TXT", files["A.TXT"]), Entry("C.TXT", files["C.TXT"]),
                   Entry("B.BIN", files["B.BIN"])]
        header = payloads.header_bytes(installFolder=folder, productName="AzCut")
        whole = payloads.payload_bytes(header, entries)
        setup = self.raw_installer(whole[:-15000], name="cut.exe")
        run, changed = self.attempt(setup)

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles(folder, {"A.TXT": files["A.TXT"], "C.TXT": files["C.TXT"]})
        self.assertEqual(self.files_listed(folder), [folder + "\\A.TXT", folder + "\\C.TXT"])
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

    # -- entry tables --------------------------------------------------------

    def test_damaged_entry_tables_register_nothing_and_keep_the_earlier_record(self):
        folder, product = "C:\\AzTable", "AzTable"
        contents = {"A.TXT": b"alpha\r\n", "B.TXT": b"beta\r\n", "Z.TXT": b"zeta\r\n"}

        def area(files):
            """The data area of `files` and each chunk's offset in it."""
            chunks = [payloads.chunk(files[n]) for n in ("A.TXT", "B.TXT", "Z.TXT")]
            return b"".join(chunks), (0, len(chunks[0]), len(chunks[0]) + len(chunks[1]))

        def header(name):
            return payloads.header_bytes(installFolder=folder, productName=name)

        # An earlier, sound installation into the same folder.
        earlier_area, (ea, eb, ez) = area(contents)
        good = page([entry("A.TXT", ea), entry("B.TXT", eb), entry("Z.TXT", ez)])
        run = self.install(self.raw_installer(assemble(header(product), good, earlier_area),
                                              name="good.exe"))
        self.assertFinishedQuietly(run)
        self.assertFiles(folder, contents)
        record = self.profile(folder + "\\TAVUUNINSTALL.INI")
        self.assertEqual(self.files_listed(folder), [folder + "\\" + n for n in contents])

        # The damaged tables lead to other bytes: any file they wrote before
        # the damage showed must be taken back.
        data_area, (oa, ob, oz) = area({n: d.upper() + b"2" for n, d in contents.items()})
        p1, p2 = ROOT, ROOT + PAGE
        full_name_page = struct.pack("<iii", 0, 7156, -1) + struct.pack("<ii", -1, oa) + \
            b"N" * (7156 - 8) + struct.pack("<ii", -1, 1)
        deep = b"".join(page([entry("A.TXT", oa)], own_position=0 if level == 0 else
                             ROOT + (level - 1) * PAGE,
                             left_child=ROOT + level * PAGE if level < 9 else -1,
                             root=level == 0) for level in range(10))
        two = [entry("A.TXT", oa), entry("B.TXT", ob)]
        tables = [
            ("a page whose leftChild is itself",
             page([entry("B.TXT", ob)], left_child=p1) +
             page([entry("A.TXT", oa)], own_position=p1, left_child=p1, root=False)),
            ("two pages leading to each other",
             page([entry("B.TXT", ob)], left_child=p1) +
             page([entry("A.TXT", oa)], own_position=p1, left_child=p2, root=False) +
             page([entry("Z.TXT", oz)], own_position=p2, left_child=p1, root=False)),
            ("a child link back to the root",
             page([entry("A.TXT", oa, child=0), entry("B.TXT", ob)])),
            ("a child page linking to itself",
             page([entry("A.TXT", oa, child=p1), entry("Z.TXT", oz)]) +
             page([entry("B.TXT", ob, child=p1)], own_position=p1, root=False)),
            ("a child link past the end of the file",
             page([entry("A.TXT", oa, child=1 << 20), entry("B.TXT", ob)])),
            ("a leftChild past the end of the file", page(two, left_child=p1)),
            ("a negative link", page([entry("A.TXT", oa, child=-5), entry("B.TXT", ob)])),
            ("a page whose ownPosition is not its offset",
             page([entry("B.TXT", ob)], left_child=p1) +
             page([entry("A.TXT", oa)], own_position=999, root=False)),
            ("usedBytes -1", page(two, used_bytes=-1)),
            ("usedBytes 7157", page(two, used_bytes=7157)),
            ("usedBytes 2^31 - 1", page(two, used_bytes=INT32_MAX)),
            ("usedBytes -2^31", page(two, used_bytes=INT32_MIN)),
            ("an entry running past usedBytes", page(two, used_bytes=len(two[0]) + 3)),
            ("a name without its zero byte filling the page", full_name_page),
            ("a name without its zero byte at the end of usedBytes",
             page([entry("A.TXT", oa), struct.pack("<ii", -1, ob) + b"B.TXT"])),
            ("a name of 1024 bytes",
             page([entry("A.TXT", oa), entry("L" * 1024, ob), entry("Z.TXT", oz)])),
            ("a name of 4000 bytes",
             page([entry("A.TXT", oa), entry("L" * 4000, ob), entry("Z.TXT", oz)])),
            ("a table shorter than its root page", page(two)[:100]),
            ("a tree ten pages deep", deep),
        ]
        unopenable = ("a table shorter than its root page",)
        products = []
        for n, (label, table) in enumerate(tables):
            with self.subTest(case=label):
                name = "%s%02d" % (product, n)
                products.append(name)
                setup = self.raw_installer(assemble(header(name), table, data_area),
                                           name="table%02d.exe" % n)
                run, changed = self.attempt(setup)
                self.assertFalse(run.timed_out, "the installer did not end")
                # A table that cannot even be opened is a damaged container:
                # nothing is written.
                self.assertEqual(run.code, NOTHING_INSTALLED if label in unopenable
                                 else TABLE_DAMAGED,
                                 "exit code; Wine said: %r" % run.run.output[-2000:])
                self.assertEqual(run.dialogs, [])
                # What was written before the damage is taken back.
                self.assertFiles(folder, contents)
                self.assertEqual(self.profile(folder + "\\TAVUUNINSTALL.INI"), record,
                                 "the earlier installation's record")
                self.assertChangedOnlyUnder(changed, [folder + "\\" + n for n in contents])
                self.assertNoTemporaryFiles()
            # Each case starts from the earlier installation's record.
            self.prefix.host(folder + "\\TAVUUNINSTALL.INI").write_bytes(record)

        self.assertEqual(self.registered(products), [], "registered after a damaged table")
        self.assertEqual(self.registered([product]), [product])

    # -- entry names ---------------------------------------------------------

    def test_unsafe_entry_names_are_skipped_and_special_names_placed_by_their_rules(self):
        folder, product = "C:\\AzNames\\App", "AzNames"
        windows = self.machine.windows.rstrip("\\")
        product_folder = "C:\\Program Files\\i-Vorta"
        self.use_program_files("C:\\Program Files")
        unsafe = [
            # absolute
            "C:\\ABS1.TXT", "c:ABS2.TXT", "C:/ABS3.TXT", "\\\\server\\share\\UNC1.TXT",
            "//server/share/UNC2.TXT", "\\\\?\\C:\\LONG.TXT", "\\\\.\\C:\\DEVICE.TXT",
            "\\ROOTED.TXT", "/ROOTED2.TXT", "\\..\\ROOTED3.TXT",
            # climbing, in any position and with either separator
            "..\\UP1.TXT", "..", "sub\\..", "sub\\..\\..\\UP2.TXT", "a\\b\\..\\..\\..\\UP3.TXT",
            "sub/../../UP4.TXT", "..\\sub\\UP5.TXT", "...\\UP6.TXT", "sub\\. .\\UP7.TXT",
            "sub\\.. \\UP8.TXT",
            # drive and stream colons
            "ADS.TXT:hidden", "ADS2.TXT::$DATA", "sub:x\\F.TXT", "YPH.EXE:x",
            # device names, alone, with an extension, in a folder part
            "CON", "con.txt", "NUL", "nul.tar.gz", "COM1", "com9.log", "LPT1", "AUX", "PRN",
            "sub\\CON", "NUL\\F.TXT", "NUL .txt", "COM\xb9",
        ]
        contents = {
            "OK.TXT": b"ok\r\n",
            "sub\\OK2.TXT": b"ok too\r\n",
            # Special names but for a folder part: ordinary entries.
            "sub\\YPH.EXE": b"not the companion",
            "other\\TAVUUNINSTALL.EXE": b"not the uninstaller",
            "sub\\IVORTA.EXE": helper_bytes("az_product.exe") + b"ordinary",
            "sub\\APP.EXE": b"not the main program",
            # Special names but for case: placed by their rules.
            "yph.exe": b"companion in lower case",
            "Ivorta.Exe": helper_bytes("az_product.exe"),
            "tavuuninstall.exe": our_uninstaller(b"lower case"),
        }
        entries = [Entry(n.encode("cp1252"), b"must not be written: " + n.encode("cp1252"))
                   for n in unsafe]
        entries += [Entry(n, d) for n, d in contents.items()]
        header = payloads.header_bytes(installFolder=folder, productName=product,
                                       mainProgram="APP.EXE")
        setup = self.raw_installer(payloads.payload_bytes(header, entries))
        run, changed = self.attempt(setup, settle=1.0)

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        ordinary = sorted((n for n in contents if "\\" in n or n == "OK.TXT"),
                          key=lambda n: n.encode("cp1252"))
        self.assertFiles(folder, {n: contents[n] for n in ordinary})
        self.assertEqual(self.files_listed(folder), [folder + "\\" + n for n in ordinary])
        self.assertFiles(product_folder, {"yph.exe": contents["yph.exe"],
                                          "Ivorta.Exe": contents["Ivorta.Exe"]})
        self.assertEqual(self.prefix.host(windows + "\\tavuuninstall.exe").read_bytes(),
                         contents["tavuuninstall.exe"])
        self.assertEqual(dict(parse_profile(self.profile(windows + "\\TAVU.INI")))["YPH"],
                         [("Path", product_folder + "\\yph.exe"), ("Class", "WENAPP")])
        self.assertTrue(self.wait_for_record("product", "start_time"))
        started = [r["module"] for r in self.prefix.records("product")]
        self.assertEqual(started, [(product_folder + "\\Ivorta.Exe").encode()])
        self.assertEqual(self.prefix.records("main"), [], "an ordinary APP.EXE was started")
        self.assertChangedOnlyUnder(changed, [folder, product_folder,
                                              windows + "\\tavuuninstall.exe",
                                              windows + "\\TAVU.INI"])
        self.assertNoTemporaryFiles()

    def test_console_device_names_are_skipped(self):
        # CONIN$ and CONOUT$ open the console as CON does, in any folder.
        folder = "C:\\AzConsole"
        names = ["CONIN$", "conout$", "sub\\CONOUT$", "CONIN$\\F.TXT"]
        self._assert_names_skipped(folder, names)

    def test_names_ending_in_a_dot_or_a_blank_are_skipped(self):
        # Windows drops a final dot or blank, so the file would be written
        # under another name than the one recorded (or, for a folder part,
        # not found again); such a name is as damaged as a device name.
        folder = "C:\\AzTrailing"
        names = ["TRAIL.", "TRAIL2 ", "TRAIL3. .", "YPH.EXE.", "IVORTA.EXE ", "dot.\\F.TXT",
                 "blank \\G.TXT", "sub\\H.TXT."]
        self._assert_names_skipped(folder, names)

    def test_dot_and_empty_components_are_skipped(self):
        # "." names the folder itself and Windows merges doubled separators:
        # the file could not be written, or its record would name a path that
        # the uninstaller refuses.
        names = [".", "sub\\.", ".\\DOT.TXT", "sub/./DOT2.TXT", "sub\\\\EMPTY.TXT",
                 "sub//EMPTY2.TXT"]
        self._assert_names_skipped("C:\\AzDots", names)

    def _assert_names_skipped(self, folder, names):
        good = {"GOOD.TXT": b"good\r\n", "sub\\GOOD2.TXT": b"good too\r\n"}
        entries = [Entry(n, b"must not be written") for n in names]
        entries += [Entry(n, d) for n, d in good.items()]
        header = payloads.header_bytes(installFolder=folder, productName="AzSkipped")
        setup = self.raw_installer(payloads.payload_bytes(header, entries))
        run, changed = self.attempt(setup)

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles(folder, good)
        self.assertEqual(self.files_listed(folder), [folder + "\\" + n for n in sorted(good)])
        self.assertChangedOnlyUnder(changed, [folder])
        self.assertNoTemporaryFiles()

    def test_names_the_system_cannot_open_stop_the_run(self):
        # A character Windows refuses in file names: the write-failure stop,
        # with no completion. A name of 1023 bytes (the longest an entry
        # holds) makes a path that could never be recorded: refused before
        # anything is written.
        long_name = "\\".join(["d" * 200] * 5) + "\\" + "f" * 18
        self.assertEqual(len(long_name), 1023)
        entries = [Entry("A_BEFORE.TXT", b"before\r\n"), Entry(long_name, b"too long")]
        header = payloads.header_bytes(installFolder="C:\\AzLong", productName="AzStopLong")
        run, changed = self.attempt(self.raw_installer(payloads.payload_bytes(header, entries),
                                                       name="stoplong.exe"))
        self.assertNothingHappened(run, changed)

        cases = [
            ("a wildcard", "C:\\AzWild", "WILD*.TXT"),
            ("a control character", "C:\\AzControl", "CTRL\x01.TXT"),
        ]
        for n, (label, folder, name) in enumerate(cases):
            with self.subTest(case=label):
                written = {"A_BEFORE.TXT": b"before\r\n"}
                entries = [Entry("A_BEFORE.TXT", written["A_BEFORE.TXT"]),
                           Entry(name, b"cannot be written"), Entry("z_after.txt", b"after")]
                header = payloads.header_bytes(installFolder=folder, productName="AzStop%d" % n)
                setup = self.raw_installer(payloads.payload_bytes(header, entries),
                                           name="stop%d.exe" % n)
                run, changed = self.attempt(setup)

                self.assertWriteFailureStop(run, folder + "\\" + name)
                installed = self.prefix.files_under(folder)
                self.assertEqual(installed, {}, "the entry before the stop is taken back")
                self.assertChangedOnlyUnder(changed, [folder])
                self.assertNoTemporaryFiles()
        self.assertEqual(self.registered(["AzStop%d" % n for n in range(len(cases))] +
                                         ["AzStopLong"]), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
