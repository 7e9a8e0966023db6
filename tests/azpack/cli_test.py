"""azpack on the command line: round trips, reproducibility, refusals, usage.

Run by ctest: cli_test.py AZPACK [unittest arguments]."""
import os
import pty
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

import azpack_testing as t
from azpack_testing import AzpackTestCase, run


def make_tree(root, count, name_length=12, seed=0):
    """count files in a few folders; names include accented letters."""
    files = {}
    for i in range(count):
        folder = ["", "bin", "doc/guide", "donn\u00e9es"][i % 4]
        stem = "f%05d_\u00e9t\u00e9" % i
        stem += "x" * max(0, name_length - len(stem))
        name = (folder + "/" if folder else "") + stem + ".dat"
        data = t.sample((i * 7919 + seed) % 3000, i + seed)
        t.write_file(os.path.join(root, name), data)
        files[name] = data
    return files


class RoundTrip(AzpackTestCase):
    def round_trip(self, files, source, expect_depth=None):
        out = self.path("p.az")
        self.build(source, out, "-j", "2")
        code, listing, err = run("list", out)
        self.assertEqual(code, 0, err)
        self.assertIn("entries          %d\n" % len(files), listing)
        code, verified, err = run("verify", out)
        self.assertEqual(code, 0, err)
        self.assertIn("valid payload, %d entries" % len(files), verified)
        target = self.path("x")
        code, _, err = run("extract", out, target)
        self.assertEqual(code, 0, err)
        self.assertEqual(t.tree_contents(target), files)

        # Read back independently: names ascend in byte order, back to back chunks.
        payload = t.Payload(t.read_file(out))
        names = [name for name, _ in payload.entries]
        expected = sorted(n.replace("/", "\\").encode("cp1252") for n in files)
        self.assertEqual(names, expected)
        for name, value in payload.entries:
            original = name.decode("cp1252").replace("\\", "/")
            self.assertEqual(payload.file(value), files[original])
        if expect_depth is not None:
            self.assertEqual(payload.depth, expect_depth)
        return payload, listing

    def test_empty_folder(self):
        os.makedirs(self.path("src"))
        payload, listing = self.round_trip({}, self.path("src"))
        self.assertEqual(len(payload.table), t.ROOT_PAGE)
        self.assertIn("entry table      1 page, 1 level, 7176 bytes", listing)

    def test_one_three_and_five_hundred_files(self):
        for count in (1, 3, 500):
            with self.subTest(count=count):
                source = self.path("src%d" % count)
                files = make_tree(source, count)
                self.round_trip(files, source)
                os.remove(self.path("p.az"))
                t.shutil.rmtree(self.path("x"))

    def test_twenty_thousand_files_with_long_names(self):
        source = self.path("src")
        files = make_tree(source, 20000, name_length=200)
        payload, listing = self.round_trip(files, source, expect_depth=3)
        self.assertIn("3 levels", listing)
        self.assertGreater(len(payload.table), t.ROOT_PAGE)

    def test_names_are_listed_in_utf8(self):
        t.write_file(self.path("src", "Caf\u00e9 \u20ac.txt"), b"x")
        self.build(self.path("src"), self.path("p.az"))
        _, listing, _ = run("list", self.path("p.az"))
        self.assertIn("Caf\u00e9 \u20ac.txt", listing)
        payload = t.Payload(t.read_file(self.path("p.az")))
        self.assertEqual(payload.entries[0][0], b"Caf\xe9 \x80.txt")


class Uninstaller(AzpackTestCase):
    def test_uninstaller_entry_only_from_its_option(self):
        t.write_file(self.path("src", "A.TXT"), b"a")
        t.write_file(self.path("src", "sub", "tavuuninstall.exe"), b"ordinary")
        t.write_file(self.path("un.exe"), b"MZ uninstaller")
        out = self.path("p.az")
        for options, expected in [([], None), (["--no-uninstaller"], None),
                                  (["--uninstaller", self.path("un.exe")], b"MZ uninstaller")]:
            with self.subTest(options=options):
                self.build(self.path("src"), out, *options)
                payload = t.Payload(t.read_file(out))
                names = [name for name, _ in payload.entries]
                self.assertEqual(names, sorted(names))
                self.assertIn(b"sub\\tavuuninstall.exe", names)
                found = {name: payload.file(value) for name, value in payload.entries}
                self.assertEqual(found.get(b"TAVUUNINSTALL.EXE"), expected)
                _, listing, _ = run("list", out)
                self.assertEqual("  TAVUUNINSTALL.EXE\n" in listing, expected is not None)

        # A tree of its own uninstaller, in any case, is refused whatever the options.
        t.write_file(self.path("own", "TavuUninstall.Exe"), b"stale")
        os.remove(out)
        for options in ([], ["--no-uninstaller"], ["--uninstaller", self.path("un.exe")]):
            with self.subTest(own=options):
                code, _, err = run("build", self.path("own"), "-o", out, *options)
                self.assert_refused(code, err, "TavuUninstall.Exe", "--uninstaller FILE",
                                    "--no-uninstaller")
                self.assert_no_output(out)
        code, _, err = run("build", self.path("src"), "-o", out, "--uninstaller",
                           self.path("missing.exe"))
        self.assert_refused(code, err, "missing.exe", "--uninstaller")
        code, _, err = run("build", self.path("src"), "-o", out, "--no-uninstaller",
                           "--uninstaller", self.path("un.exe"))
        self.assert_refused(code, err, "exclude each other", exit_code=2)
        self.assert_no_output(out)


class Reproducible(AzpackTestCase):
    def test_same_bytes_whatever_threads_order_or_clock(self):
        files = {"a/%03d.txt" % i: t.sample(i * 997, i) for i in range(60)}
        files["big/large.bin"] = t.sample(3 * 1024 * 1024 + 77, 5)  # several blocks
        files["empty"] = b""
        for name in sorted(files):
            t.write_file(self.path("one", name), files[name])
        for name in sorted(files, reverse=True):
            t.write_file(self.path("two", name), files[name])
            os.utime(self.path("two", name), (1000000000, 1000000000))
        self.build(self.path("one"), self.path("j1.az"), "-j1")
        self.build(self.path("one"), self.path("j4.az"), "--jobs=4")
        self.build(self.path("two"), self.path("other.az"), "-j", "3")
        first = t.read_file(self.path("j1.az"))
        self.assertEqual(first, t.read_file(self.path("j4.az")))
        self.assertEqual(first, t.read_file(self.path("other.az")))


class Options(AzpackTestCase):
    def test_default_level_nine_and_other_levels(self):
        t.write_file(self.path("src", "a.txt"), t.sample(5000, 1))
        t.write_file(self.path("src", "b.txt"), b"")
        self.build(self.path("src"), self.path("p9.az"))
        payload = t.Payload(t.read_file(self.path("p9.az")))
        self.assertEqual(payload.stream_header(8), b"\x78\xda")
        for _, value in payload.entries:
            self.assertEqual(payload.stream_header(payload.data_start + value), b"\x78\xda")
        self.build(self.path("src"), self.path("p1.az"), "--level", "1")
        payload = t.Payload(t.read_file(self.path("p1.az")))
        self.assertEqual(payload.stream_header(8), b"\x78\x01")
        _, shown, _ = run("build", "--help")
        if "libdeflate" in shown:
            # libdeflate's streams, read back by Python's zlib; the header
            # record stays zlib's level 9.
            self.build(self.path("src"), self.path("p12.az"), "--level", "12")
            payload = t.Payload(t.read_file(self.path("p12.az")))
            self.assertEqual(payload.stream_header(8), b"\x78\xda")
            self.assertEqual({name: payload.file(value) for name, value in payload.entries},
                             {b"a.txt": t.sample(5000, 1), b"b.txt": b""})

    def test_header_fields_from_project_file_and_options(self):
        t.write_file(self.path("src", "bin", "app.exe"), b"MZ")
        project = self.path("setup.azproj")
        t.write_file(project, "# settings\n"
                     "main-program = bin\\app.exe\n"
                     "install-folder = %PROGRAMFILES%\\Soci\u00e9t\u00e9\n"
                     "product-name = From the file\n"
                     "favorites-name = Favori\n"
                     "icon-file = bin\\app.exe\n"
                     "start-menu-name = Menu\n".encode("utf-8"))
        _, err = self.build(self.path("src"), self.path("p.az"), "--project", project,
                            "--product-name", "Produit \u00e9t\u00e9")
        self.assertEqual(err, "")
        payload = t.Payload(t.read_file(self.path("p.az")))
        self.assertEqual(payload.text(4, 96), b"fr")
        self.assertEqual(payload.text(100, 1024), b"bin\\app.exe")
        self.assertEqual(payload.text(1124, 260), b"%PROGRAMFILES%\\Soci\xe9t\xe9")
        self.assertEqual(struct.unpack_from("<5i", payload.header, 1384), (28, 1, 1, 0, 0))
        self.assertEqual(payload.text(1404, 260), b"Produit \xe9t\xe9")
        self.assertEqual(payload.text(1664, 260), b"Favori")
        self.assertEqual(payload.text(1924, 260), b"bin\\app.exe")
        self.assertEqual(payload.text(2184, 260), b"Menu")
        self.assertEqual(struct.unpack_from("<I", payload.header, 0), (2444,))
        self.build(self.path("src"), self.path("p2.az"), "--language", "en")
        self.assertEqual(t.Payload(t.read_file(self.path("p2.az"))).text(4, 96), b"en")

    def test_warns_when_the_main_program_is_not_a_file(self):
        # A bare payload: warnings only (an installer build refuses, see
        # stamp_test.py); "/" separates folders as "\\" does.
        t.write_file(self.path("src", "a.txt"), b"x")
        t.write_file(self.path("src", "bin", "app.exe"), b"x")
        _, err = self.build(self.path("src"), self.path("p.az"), "--main-program", "app.exe")
        self.assertIn("warning: --main-program: main program 'app.exe' is not among the files",
                      err)
        self.assertIn("did you mean 'bin\\app.exe'?", err)
        _, err = self.build(self.path("src"), self.path("p.az"), "--main-program", "bin/apq.exe")
        self.assertIn("did you mean 'bin\\app.exe'?", err)
        _, err = self.build(self.path("src"), self.path("p.az"), "--main-program", "A.TXT")
        self.assertEqual(err, "")
        _, err = self.build(self.path("src"), self.path("p.az"), "--main-program", "bin/APP.exe")
        self.assertEqual(err, "")
        payload = t.Payload(t.read_file(self.path("p.az")))
        self.assertEqual(payload.text(100, 1024), b"bin\\APP.exe")

    def test_progress_only_on_a_terminal(self):
        # Data of a four-letter alphabet is slow at level 9: this build runs
        # for more than the second after which progress appears.
        base = bytes(random.Random(1).choices(b"ACGT", k=1024 * 1024))
        for i in range(3):
            t.write_file(self.path("src", "f%d" % i), base[i * 1000:] + base[:i * 1000])
        _, err = self.build(self.path("src"), self.path("quiet.az"), "-j1")
        self.assertEqual(err, "")
        master, slave = pty.openpty()
        done = subprocess.run([t.AZPACK, "build", "--payload-only", self.path("src"), "-o", self.path("tty.az"),
                               "-j1"], stdout=subprocess.PIPE, stderr=slave, timeout=600)
        os.close(slave)
        shown = b""
        try:
            while True:
                piece = os.read(master, 4096)
                if not piece:
                    break
                shown += piece
        except OSError:
            pass
        os.close(master)
        self.assertEqual(done.returncode, 0)
        self.assertIn(b"files, ", shown)
        self.assertIn(b"MB/s", shown)
        self.assertIn(b"3/3 files", shown)
        self.assertEqual(t.read_file(self.path("quiet.az")), t.read_file(self.path("tty.az")))


class SourceTreeRules(AzpackTestCase):
    def test_link_to_a_file_inside_is_stored_as_that_file(self):
        t.write_file(self.path("src", "real", "data.bin"), b"contents")
        os.symlink(os.path.join("real", "data.bin"), self.path("src", "alias.bin"))
        self.build(self.path("src"), self.path("p.az"))
        payload = t.Payload(t.read_file(self.path("p.az")))
        stored = {name: payload.file(value) for name, value in payload.entries}
        self.assertEqual(stored, {b"alias.bin": b"contents", b"real\\data.bin": b"contents"})

    def test_links_leading_outside_to_folders_or_nowhere_are_refused(self):
        t.write_file(self.path("outside.txt"), b"secret")
        t.write_file(self.path("src", "a.txt"), b"a")
        cases = [
            ("out.txt", self.path("outside.txt"), "symbolic link leads outside"),
            ("up.txt", os.path.join("..", "outside.txt"), "symbolic link leads outside"),
            ("folder", ".", "symbolic links to folders are not followed"),
            ("gone.txt", "missing.txt", "symbolic link leads nowhere"),
        ]
        for name, target, reason in cases:
            with self.subTest(name=name):
                link = self.path("src", name)
                os.symlink(target, link)
                out = self.path("p.az")
                code, _, err = run("build", self.path("src"), "-o", out)
                self.assert_refused(code, err, link, reason)
                self.assert_no_output(out)
                os.remove(link)

    def test_empty_folders_are_not_stored(self):
        os.makedirs(self.path("src", "empty", "deeper"))
        t.write_file(self.path("src", "kept", "f.txt"), b"f")
        self.build(self.path("src"), self.path("p.az"))
        payload = t.Payload(t.read_file(self.path("p.az")))
        self.assertEqual([n for n, _ in payload.entries], [b"kept\\f.txt"])
        code, _, err = run("extract", self.path("p.az"), self.path("x"))
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(os.listdir(self.path("x"))), ["kept"])

    def test_what_an_installer_cannot_carry_is_told(self):
        # The newcomer's tree: empty folders, a link, a read-only file, a
        # long name; one warning line each, and --strict fails on them.
        os.makedirs(self.path("src", "logs"))
        os.makedirs(self.path("src", "cache", "a"))
        t.write_file(self.path("src", "Program", "carnet.exe"), b"exe")
        os.symlink(os.path.join("Program", "carnet.exe"), self.path("src", "carnet.exe"))
        t.write_file(self.path("src", "lisez-moi.txt"), b"lu")
        os.chmod(self.path("src", "lisez-moi.txt"), 0o444)
        long_name = "d" * 100 + "/" + "e" * 95 + "\u00e9" * 30 + ".txt"
        t.write_file(self.path("src", *long_name.split("/")), b"long")
        folder = ["--install-folder", "%PROGRAMFILES%\\Carnet"]
        code, _, err = run("build", self.path("src"), "-o", self.path("p.az"), *folder)
        self.assertEqual(code, 0, err)
        warnings = err.splitlines()
        self.assertEqual(len(warnings), 4, err)
        self.assertIn("azpack: warning: 2 empty folders are not carried: 'cache\\a', 'logs' (a "
                      "payload holds only files; the installer makes the folders that its files "
                      "need)", warnings)
        self.assertIn("azpack: warning: 1 symbolic link is stored as a copy of its target: "
                      "'carnet.exe'", warnings)
        self.assertIn("azpack: warning: 1 read-only file is installed writable: "
                      "'lisez-moi.txt' (file attributes and permissions are not carried)",
                      warnings)
        self.assertIn("installed paths may pass 244 characters", err)
        self.assertIn("the longest is 260 characters", err)
        self.assertIn("C:\\Program Files (x86)\\Carnet\\" + "d" * 100 + "\\" + "e" * 95, err)
        # A shortcut name Windows would open as a device makes no shortcut.
        code, _, err = run("build", self.path("src"), "-o", self.path("strict.az"), *folder,
                           "--install-folder", "%PROGRAMFILES%\\" + "c" * 10, "--strict",
                           "--favorites-name", "Carnet\\Aux.doc")
        self.assertEqual(code, 1, err)
        self.assertIn("azpack: warning: --favorites-name: 'Carnet\\Aux.doc' uses the device name "
                      "AUX: the installer would make no shortcut of that name", err)
        self.assertIn("azpack: 5 warnings above and --strict (strict = true): nothing written",
                      err)
        self.assertIn("the longest is 264 characters", err)
        self.assert_no_output(self.path("strict.az"))

    def test_pipes_are_refused(self):
        os.makedirs(self.path("src"))
        os.mkfifo(self.path("src", "pipe"))
        code, _, err = run("build", self.path("src"), "-o", self.path("p.az"))
        self.assert_refused(code, err, self.path("src", "pipe"), "not a plain file")


class Refusals(AzpackTestCase):
    def refuse_tree(self, relative_names, *needles, data=b"x"):
        source = self.path("src")
        t.shutil.rmtree(source, ignore_errors=True)
        for name in relative_names:
            full = os.path.join(source.encode(), name if isinstance(name, bytes) else name.encode())
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        out = self.path("p.az")
        code, _, err = run("build", source, "-o", out)
        self.assert_refused(code, err, *needles)
        self.assert_no_output(out)
        return err

    def test_missing_folder_and_file_instead_of_folder(self):
        out = self.path("p.az")
        code, _, err = run("build", self.path("nothing"), "-o", out)
        self.assert_refused(code, err, self.path("nothing"), "no such folder")
        t.write_file(self.path("file"), b"x")
        code, _, err = run("build", self.path("file"), "-o", out)
        self.assert_refused(code, err, self.path("file"), "not a folder")
        self.assert_no_output(out)

    def test_names_over_1023_bytes(self):
        folders = "/".join(["d" * 200] * 5)  # 1004 bytes
        fits = folders + "/" + "f" * 14 + ".txt"  # 1023 bytes
        too_long = folders + "/" + "f" * 15 + ".txt"
        self.refuse_tree([fits, too_long], self.path("src", too_long),
                         "is 1024 bytes long, more than 1023")

    def test_names_equal_ignoring_case(self):
        self.refuse_tree(["Readme.TXT", "readme.txt"], "differ only in case")
        self.refuse_tree(["\u00c9t\u00e9.txt", "\u00e9t\u00e9.txt"], "differ only in case")
        self.refuse_tree(["docs", "DOCS/index.html"],
                         "file 'docs' and folder 'DOCS' would have the same name on Windows")

    def test_names_windows_cannot_store(self):
        for bad, reason in [
                ("a<b", "reserved character '<'"), ("a>b", "reserved character '>'"),
                ("a:b", "colon"), ('a"b', "reserved character '\"'"),
                ("a|b", "reserved character '|'"), ("a?b", "reserved character '?'"),
                ("a*b", "reserved character '*'"), ("a\x01b", "control character"),
                ("CON", "device name CON"), ("sub/con.txt", "device name CON"),
                ("NUL.tar.gz", "device name NUL"), ("COM1", "device name COM1"),
                ("lpt9.log", "device name LPT9"), ("aux", "device name AUX"),
                ("prn.x", "device name PRN"), ("dot.", "ending with a dot"),
                ("blank ", "ending with a blank"), ("folder./f", "ending with a dot"),
                ("back\\slash", "backslash")]:
            with self.subTest(name=bad):
                self.refuse_tree(["ok.txt", bad], self.path("src", bad), reason)

    def test_names_outside_the_code_page(self):
        self.refuse_tree(["\u0142\u00f3d\u017a.txt"], "U+0142 that Windows-1252 cannot store")
        self.refuse_tree([b"\xff\xfe.txt"], "is not valid UTF-8")

    def test_header_texts_too_long_or_outside_the_code_page(self):
        t.write_file(self.path("src", "a"), b"a")
        out = self.path("p.az")
        for option, length, field in [("--product-name", 260, "product name"),
                                      ("--install-folder", 260, "install folder"),
                                      ("--favorites-name", 260, "favorites name"),
                                      ("--start-menu-name", 260, "start menu name"),
                                      ("--icon-file", 260, "icon file"),
                                      ("--main-program", 1024, "main program"),
                                      ("--language", 96, "language")]:
            with self.subTest(option=option):
                code, _, err = run("build", self.path("src"), "-o", out, option, "x" * length)
                self.assert_refused(code, err, option, field,
                                    "the field holds %d" % (length - 1))
                code, _, err = run("build", self.path("src"), "-o", out, option,
                                   "\u00e9" * (length - 1))
                self.assertEqual(code, 0, err)
        code, _, err = run("build", self.path("src"), "-o", out, "--product-name", "\u4e2d")
        self.assert_refused(code, err, "--product-name", "U+4E2D")

    def test_file_over_4_gib(self):
        t.write_file(self.path("src", "a"), b"a")
        with open(self.path("src", "huge.bin"), "wb") as f:
            f.truncate(4 << 30)  # sparse: 4 GiB, one byte too many
        out = self.path("p.az")
        code, _, err = run("build", self.path("src"), "-o", out)
        self.assert_refused(code, err, self.path("src", "huge.bin"), "4294967296 bytes",
                            "4 GiB - 1")
        self.assert_no_output(out)

    def test_project_file_faults(self):
        t.write_file(self.path("src", "a"), b"a")
        project = self.path("p.azproj")
        for text, reason in [("colour = blue\n", ":1: unknown key 'colour'; keys are main-program"),
                             ("version = 1.0\n",
                              ":1: unknown key 'version' (did you mean 'product-version'?); keys"),
                             ("\nproduct-name\n", ":2: expected 'key = value'"),
                             ("language = fr\nlanguage = en\n", ":2: key 'language' given twice")]:
            with self.subTest(text=text):
                t.write_file(project, text.encode())
                code, _, err = run("build", self.path("src"), "-o", self.path("p.az"),
                                   "--project", project)
                self.assert_refused(code, err, project + reason)
        code, _, err = run("build", self.path("src"), "-o", self.path("p.az"), "--project",
                           self.path("none.azproj"))
        self.assert_refused(code, err, self.path("none.azproj"), "cannot open")
        self.assert_no_output(self.path("p.az"))

    def test_output_folder_missing_or_output_a_folder(self):
        t.write_file(self.path("src", "a"), b"a")
        code, _, err = run("build", self.path("src"), "-o", self.path("no", "p.az"))
        self.assert_refused(code, err, self.path("no"), "does not exist")
        os.makedirs(self.path("dir"))
        code, _, err = run("build", self.path("src"), "-o", self.path("dir"))
        self.assert_refused(code, err, self.path("dir"), "is a folder")

    def test_a_failed_build_keeps_the_previous_output(self):
        t.write_file(self.path("src", "con"), b"a")
        t.write_file(self.path("p.az"), b"previous")
        code, _, err = run("build", self.path("src"), "-o", self.path("p.az"))
        self.assertEqual(code, 1, err)
        self.assertEqual(t.read_file(self.path("p.az")), b"previous")
        self.assertEqual(sorted(os.listdir(self.scratch)), ["p.az", "src"])

    def test_an_interrupted_build_leaves_nothing(self):
        base = bytes(random.Random(2).choices(b"ACGT", k=4 * 1024 * 1024))
        t.write_file(self.path("src", "slow.dat"), base)
        out = self.path("p.az")
        build = subprocess.Popen([t.AZPACK, "build", "--payload-only", self.path("src"), "-o", out, "-j1"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while time.time() < deadline and not any(n.endswith(".tmp")
                                                  for n in os.listdir(self.scratch)):
            time.sleep(0.01)
        build.send_signal(signal.SIGINT)
        self.assertNotEqual(build.wait(timeout=60), 0)
        self.assert_no_output(out)

    def test_a_stub_that_is_no_program(self):
        t.write_file(self.path("src", "a"), b"a")
        t.write_file(self.path("stub.exe"), b"just text")
        out = self.path("setup.exe")
        code, _, err = run("build", self.path("src"), "-o", out, "--stub", self.path("stub.exe"))
        self.assert_refused(code, err, self.path("stub.exe"), "not a Windows executable")
        self.assert_no_output(out)


class Usage(AzpackTestCase):
    def test_help_for_every_command(self):
        for command in ([], ["build"], ["stamp"], ["list"], ["verify"], ["extract"]):
            with self.subTest(command=command):
                code, out, err = run(*command, "--help")
                self.assertEqual(code, 0)
                self.assertIn("Usage: azpack", out)
                self.assertEqual(err, "")

    def test_build_options_are_documented_once_each(self):
        # What the help lists, the manual page and the README describe.
        _, shown, _ = run("build", "--help")
        options = re.findall(r"^\s+(?:-\w, )?(--[a-z-]+)", shown, re.M)
        self.assertEqual(len(options), len(set(options)), shown)
        self.assertIn("--strict", options)
        here = os.path.dirname(os.path.abspath(__file__))
        tool = os.path.join(here, "..", "..", "tools", "azpack")
        manual = t.read_file(os.path.join(tool, "azpack.1")).decode().replace("\\-", "-")
        readme = t.read_file(os.path.join(tool, "README.md")).decode()
        self.assertEqual([o for o in options if o not in manual], [])
        self.assertEqual([o for o in options if o not in readme], [])

    def test_usage_errors_exit_with_two(self):
        t.write_file(self.path("src", "a"), b"a")
        src, out = self.path("src"), self.path("p.az")
        for args, needle in [
                ([], "no command given"),
                (["pack"], "unknown command 'pack'"),
                (["biuld"], "unknown command 'biuld' (did you mean build?)"),
                (["build", src], "-o OUT missing"),
                (["build", "-o", out], "SOURCE_DIR missing"),
                (["build", src, src, "-o", out], "more than one SOURCE_DIR"),
                (["build", src, "setup.exe"],
                 "more than one SOURCE_DIR ('setup.exe'); the output goes after -o"),
                (["build", src, "-o", out, "--frobnicate"], "unknown option '--frobnicate'"),
                (["build", src, "-o", out, "--prodcut-name=x"],
                 "unknown option '--prodcut-name=x' (did you mean --product-name?)"),
                (["build", src, "-o", out, "--target", "arm64"], "--target wants i686 or x86_64"),
                (["build", src, "-o", out, "--payload-only", "--stub", "s.exe"],
                 "--payload-only writes no installer"),
                (["build", src, "-o", out, "-j", "0"], "--jobs wants a number"),
                (["build", src, "-o", out, "-jx"], "--jobs wants a number"),
                (["build", src, "-o", out, "--level", "13"], "--level wants a number"),
                (["build", src, "-o"], "option -o needs a value"),
                (["stamp", "a.exe", "-o", out], "wants STUB.exe and PAYLOAD"),
                (["stamp", "a.exe", "p.az"], "-o SETUP.exe missing"),
                (["list"], "wants one FILE"),
                (["verify", "a", "b"], "wants one FILE"),
                (["extract", out], "wants FILE and DIR")]:
            with self.subTest(args=args):
                code, _, err = run(*args)
                self.assert_refused(code, err, needle, exit_code=2)
        self.assertFalse(os.path.exists(out))

    def test_version_and_a_missing_default_stub(self):
        code, out, _ = run("--version")
        self.assertEqual(code, 0)
        self.assertRegex(out, r"^azpack \d+\.\d+\.\d+\n$")
        # A copy of azpack away from any stub names where it looked.
        lonely = self.path("bin", "azpack")
        os.makedirs(os.path.dirname(lonely))
        shutil.copy(t.AZPACK, lonely)
        t.write_file(self.path("src", "a"), b"a")
        out = self.path("setup.exe")
        for target, folder in ((), "i686"), (("--target", "x86_64"), "x86_64"):
            done = subprocess.run([lonely, "build", self.path("src"), "-o", out, *target],
                                  capture_output=True, timeout=60)
            err = done.stderr.decode()
            self.assert_refused(done.returncode, err, "no %s installer stub found" % folder,
                                self.path("share", "azsetup", folder, "azsetup.exe"),
                                "--stub", "--payload-only")
            self.assert_no_output(out)

    def test_operands_after_double_dash(self):
        t.write_file(self.path("-src", "a"), b"a")
        os.chdir(self.scratch)
        code, _, err = run("build", "-o", "p.az", "--", "-src")
        self.assertEqual(code, 0, err)


class Inspection(AzpackTestCase):
    def write_payload(self, data, name="crafted.az"):
        t.write_file(self.path(name), data)
        return self.path(name)

    def test_a_file_that_is_no_payload(self):
        path = self.write_payload(b"hello world, not a payload")
        for command in ("list", "verify"):
            code, _, err = run(command, path)
            self.assert_refused(code, err, path, "not a payload")
        code, _, err = run("extract", path, self.path("x"))
        self.assert_refused(code, err, path, "not a payload")
        self.assertFalse(os.path.exists(self.path("x")))

    def test_the_independent_writer_makes_valid_payloads(self):
        path = self.write_payload(t.make_payload([(b"a.txt", b"A"), (b"b\\c.txt", b"BC")]))
        code, out, err = run("verify", path)
        self.assertEqual(code, 0, err)

    def test_verify_names_the_first_fault(self):
        good = [(b"a.txt", b"A" * 100), (b"b.txt", b"B" * 50)]
        cases = [
            (t.make_payload(good, data_gap=b"xx"), "where the previous chunk ends at"),
            (t.make_payload(good, tail=b"!"), "1 bytes after the last chunk"),
            (t.make_payload(list(reversed(good))), "'a.txt' comes after 'b.txt'"),
            (t.make_payload(good, padding_byte=7), "bytes after its entries are not zero"),
            (t.make_payload(good, header=t.make_header(reserved=(0, 0, 0, 0, 0))),
             "reserved[0] is 0, not 28"),
            (t.make_payload([(b"..\\x", b"")]), "entry '..\\x' has a '..' component"),
            (t.make_payload([(b"A", b""), (b"a", b"")]), "differ only in case"),
            (b"MWZ100\0\0" + struct.pack("<II", 2444, 0), "header record: chunk at offset 8 has an empty stream"),
        ]
        for data, needle in cases:
            with self.subTest(needle=needle):
                path = self.write_payload(data)
                code, _, err = run("verify", path)
                self.assert_refused(code, err, path, needle)

    def test_verify_decodes_every_chunk(self):
        data = bytearray(t.make_payload([(b"a.txt", t.sample(4000, 1)), (b"b.txt", b"B")]))
        payload = t.Payload(bytes(data))
        data[payload.data_start + 8 + 100] ^= 0x55  # inside a.txt's stream
        path = self.write_payload(bytes(data))
        code, _, err = run("verify", path)
        self.assert_refused(code, err, path, "entry 'a.txt'")
        # list reads only the header and the table.
        code, _, err = run("list", path)
        self.assertEqual(code, 0, err)
        # extract removes the file it could not finish.
        code, _, err = run("extract", path, self.path("x"))
        self.assert_refused(code, err, "entry 'a.txt'")
        self.assertFalse(os.path.exists(self.path("x", "a.txt")))

    def test_verify_checks_the_data_checksum_of_a_built_payload(self):
        make_tree(self.path("src"), 3)
        out = self.path("built.az")
        self.build(self.path("src"), out)
        code, listed, err = run("list", out)
        self.assertEqual(code, 0, err)
        self.assertIn("checksum         CRC-32 ", listed)
        data = bytearray(open(out, "rb").read())
        data[-3] ^= 0x01  # the last entry's stream, found by the checksum first
        damaged = self.write_payload(bytes(data))
        code, _, err = run("verify", damaged)
        self.assert_refused(code, err, damaged, "damaged: the data area's CRC-32 is")

    def test_extract_refuses_unsafe_names_before_writing(self):
        for name in [b"..\\evil", b"dir\\..\\..\\up", b"C:\\evil", b"\\abs", b"x:stream",
                     b"a\\\\b", b"CON", b"dir\\nul.txt", b"a/b", b"trail."]:
            with self.subTest(name=name):
                entries = sorted([(b"a.txt", b"A"), (name, b"evil")])
                path = self.write_payload(t.make_payload(entries))
                target = self.path("x")
                code, _, err = run("extract", path, target)
                self.assert_refused(code, err, path, "unsafe entry name")
                self.assertFalse(os.path.exists(target))
        self.assertEqual(sorted(os.listdir(self.scratch)), ["crafted.az"])

    def test_extract_wants_a_new_or_empty_folder(self):
        path = self.write_payload(t.make_payload([(b"a.txt", b"A")]))
        t.write_file(self.path("x", "old"), b"old")
        code, _, err = run("extract", path, self.path("x"))
        self.assert_refused(code, err, self.path("x"), "not empty")
        os.makedirs(self.path("empty"))
        code, _, err = run("extract", path, self.path("empty"))
        self.assertEqual(code, 0, err)
        self.assertEqual(t.read_file(self.path("empty", "a.txt")), b"A")

    def test_truncated_payload(self):
        t.write_file(self.path("src", "a.txt"), t.sample(20000, 3))
        self.build(self.path("src"), self.path("p.az"))
        data = t.read_file(self.path("p.az"))
        path = self.write_payload(data[:-10])
        code, _, err = run("verify", path)
        self.assert_refused(code, err, path, "past the end of the payload")


if __name__ == "__main__":
    t.AZPACK = os.path.abspath(sys.argv.pop(1))
    t.unittest.main(verbosity=2)
