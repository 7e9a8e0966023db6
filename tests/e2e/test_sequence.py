"""The installation run from start to end: every file written byte for byte,
temporary files removed, damaged chunks skipped, the write-failure stop with
its message box, and a stub without a payload, each with its exit code."""

import hashlib
import os
import random
import struct
import subprocess
import unittest
import zlib

import observers
import payloads
from payloads import Entry
from scenario import (ENTRIES_SKIPPED, NOTHING_INSTALLED, STOPPED_ON_WRITE,
                      WRITE_FAILURE_CAPTION, Scenario, helper_bytes, parse_profile,
                      write_failure_text)
from testbed import settings


MIB = 1 << 20


def random_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(MIB), b""):
            digest.update(block)
    return digest.hexdigest()


def stub_is_32_bit():
    """The stub under test is an i686 program (PE machine 0x14C)."""
    data = settings().azsetup.read_bytes()[:4096]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, pe + 4)[0] == 0x14C


class InstallationRun(Scenario):

    def test_every_file_is_written_byte_for_byte_and_nothing_is_left_behind(self):
        files = {
            "README.TXT": b"Lisez-moi\r\n",
            "bin/TOOL.DAT": random_bytes(1, 300000),
            "bin/ZEROS.BIN": bytes(2 * 1024 * 1024),
            "data/deep/nested/EMPTY.DAT": b"",
            "data/Notes \u00e9t\u00e9.txt": b"accents in the name\r\n",
            "data/with space/one byte": b"\xff",
        }
        setup = self.installer(files, name="setup.exe", install_folder="C:\\AzBasic\\App",
                               product_name="AzBasic")
        run = self.install(setup, args=["--titre", "initial"], watch_window=True)

        self.assertFinishedQuietly(run)
        self.assertFiles("C:\\AzBasic\\App", files)
        self.assertNoTemporaryFiles()
        if run.window.visible:
            self.assertProgressWindow(run.window, b"setup", command_line=b"--titre initial")

        # Every ordinary file is listed for the uninstaller, in the order
        # written: the names' byte order.
        sections = dict(parse_profile(self.profile("C:\\AzBasic\\App\\TAVUUNINSTALL.INI")))
        listed = [key for key, _ in sections["FILES"]]
        names = sorted(n.replace("/", "\\").encode("cp1252") for n in files)
        self.assertEqual(listed, ["C:\\AzBasic\\App\\" + n.decode("cp1252") for n in names])

    def test_damaged_chunks_are_skipped_and_the_other_files_installed(self):
        good = b"good file\r\n" * 50
        last = random_bytes(2, 5000)
        entries = [
            Entry("A_GOOD.TXT", good),
            Entry("B_DAMAGED.TXT", raw_chunk=payloads.chunk(
                b"x" * 4000, stream=payloads.damaged_stream(b"x" * 4000))),
            Entry("C_SIZE_TOO_SMALL.TXT", raw_chunk=payloads.chunk(
                b"y" * 4000, uncompressed_size=3999)),
            Entry("D_PAST_THE_END.TXT", value=1 << 24),
            Entry("E_EMPTY.TXT", b""),
            Entry("G_LAST.TXT", last),
            # Its stream is cut off by the end of the payload.
            Entry("F_CUT.TXT", raw_chunk=payloads.chunk(random_bytes(3, 20000))[:-5000]),
        ]
        header = payloads.header_bytes(installFolder="C:\\AzDamaged", productName="AzDamaged")
        setup = self.raw_installer(payloads.payload_bytes(header, entries))
        run = self.install(setup)

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles("C:\\AzDamaged",
                         {"A_GOOD.TXT": good, "E_EMPTY.TXT": b"", "G_LAST.TXT": last})
        sections = dict(parse_profile(self.profile("C:\\AzDamaged\\TAVUUNINSTALL.INI")))
        self.assertEqual([k for k, _ in sections["FILES"]],
                         ["C:\\AzDamaged\\A_GOOD.TXT", "C:\\AzDamaged\\E_EMPTY.TXT",
                          "C:\\AzDamaged\\G_LAST.TXT"])
        self.assertNoTemporaryFiles()

    def test_unsafe_entry_names_are_skipped_and_nothing_lands_outside(self):
        unsafe = ["", "..\\ESCAPE1.TXT", "sub\\..\\..\\ESCAPE2.TXT", "sub/../../ESCAPE3.TXT",
                  "\\ROOTED.TXT", "/SLASH.TXT", "C:\\ABSOLUTE.TXT", "ADS.TXT:stream", "dir\\",
                  "sub\\..", ".."]
        entries = [Entry(name, b"must not be written") for name in unsafe]
        entries += [Entry("OK.TXT", b"ok"), Entry("sub\\GOOD.TXT", b"good")]
        header = payloads.header_bytes(installFolder="C:\\AzNames\\App", productName="AzNames")
        setup = self.raw_installer(payloads.payload_bytes(header, entries))
        self.machine
        before = self.prefix.snapshot()
        run = self.install(setup)
        after = self.prefix.snapshot()

        self.assertFinishedQuietly(run, code=ENTRIES_SKIPPED)
        self.assertFiles("C:\\AzNames\\App", {"OK.TXT": b"ok", "sub\\GOOD.TXT": b"good"})
        changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
        self.assertEqual([k for k in changed if not k.lower().startswith("aznames\\app")],
                         ["AzNames"], "changed outside the install folder")
        sections = dict(parse_profile(self.profile("C:\\AzNames\\App\\TAVUUNINSTALL.INI")))
        self.assertEqual([k for k, _ in sections["FILES"]],
                         ["C:\\AzNames\\App\\OK.TXT", "C:\\AzNames\\App\\sub\\GOOD.TXT"])
        self.assertNoTemporaryFiles()

    def test_large_files_are_streamed_in_bounded_memory(self):
        # 256 MiB decoded piece by piece straight into its file, with the
        # installer's private memory (its mapped image and payload left
        # out) sampled all along. A large entry whose stream fails three
        # quarters in is skipped: no part of it is left, and the file that
        # stood there before is kept.
        folder = "C:\\AzLarge"
        big = bytearray(256 * MIB)
        for at in range(0, len(big), MIB):
            struct.pack_into("<Q", big, at, at)  # every MiB tells where it lies
        big = bytes(big)
        broken = random_bytes(4, 8 * MIB)
        stream = bytearray(zlib.compress(broken, 1))
        for i in range(len(stream) * 3 // 4, len(stream) * 3 // 4 + 64):
            stream[i] ^= 0x55
        entries = [Entry("A_SMALL.TXT", b"small\r\n"),
                   Entry("BIG.BIN", raw_chunk=payloads.chunk(big, level=1)),
                   Entry("BROKEN.BIN", raw_chunk=payloads.chunk(broken, stream=bytes(stream))),
                   Entry("Z_LAST.TXT", b"last\r\n")]
        header = payloads.header_bytes(installFolder=folder, productName="AzLarge")
        setup = self.raw_installer(payloads.payload_bytes(header, entries))
        self.prefix.host(folder).mkdir()
        self.prefix.host(folder + "\\BROKEN.BIN").write_bytes(b"the earlier file")

        run = observers.run_watching_memory(self.prefix, setup)
        print("\nprivate memory of the installer: peak %d KiB over %d samples" % (
            run.peak_private_kib, run.samples))
        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, ENTRIES_SKIPPED, "exit code")
        self.assertGreater(run.samples, 10, "the installer's memory was never sampled")
        self.assertLess(run.peak_private_kib, 64 * 1024, "private memory, KiB")
        installed = self.prefix.host(folder + "\\BIG.BIN")
        self.assertEqual(installed.stat().st_size, len(big))
        self.assertEqual(file_digest(installed), hashlib.sha256(big).hexdigest())
        self.assertFiles(folder, {"A_SMALL.TXT": b"small\r\n", "BIG.BIN": big,
                                  "BROKEN.BIN": b"the earlier file", "Z_LAST.TXT": b"last\r\n"})
        sections = dict(parse_profile(self.profile(folder + "\\TAVUUNINSTALL.INI")))
        self.assertEqual([k for k, _ in sections["FILES"]],
                         [folder + "\\" + n for n in ("A_SMALL.TXT", "BIG.BIN", "Z_LAST.TXT")])
        self.assertNoTemporaryFiles()

    def test_the_window_answers_all_through_a_long_installation(self):
        # Thousands of small files and a large one keep the run busy for
        # seconds. A window that let no message through would leave each
        # WM_NULL unanswered for its whole second; a WM_CLOSE (and the
        # system menu's close, and a second start message) sent half-way
        # would change nothing, in either case.
        folder = "C:\\AzBusy"
        files = {"sub%02d\\FILE%03d.TXT" % (n % 40, n): b"file %d\r\n" % n * (n % 50 + 1)
                 for n in range(2000)}
        files["BIG.BIN"] = bytes(256 * MIB)
        files["APP.EXE"] = helper_bytes("az_mainprog.exe")
        setup = self.installer(files, install_folder=folder, main_program="APP.EXE",
                               product_name="AzBusy")
        run, pinger = observers.run_pinged(self.prefix, setup, close_after_ms=300)
        print("\nthe window answered %s calls, slowest %s ms; seen for %s ms" % (
            pinger.get("answered"), pinger.get("slowest_ms"),
            int(pinger.get("gone_ms", 0)) - int(pinger.get("seen_ms", 0))))

        self.assertFinishedQuietly(run)
        self.assertEqual(pinger.get("seen"), "1", "the progress window was never seen")
        self.assertEqual(pinger.get("unanswered"), "0", "calls the window left unanswered")
        self.assertGreater(int(pinger["answered"]), 20, pinger)
        self.assertEqual(pinger.get("close_sent"), "1", "the run ended before the close")
        # The window must have been there well after the close for its
        # survival to mean anything.
        self.assertGreater(int(pinger["gone_ms"]) - int(pinger["close_ms"]), 200,
                           "the run ended too soon after the close: %r" % pinger)
        self.assertEqual(pinger.get("close_answered"), "1", "WM_CLOSE unanswered")
        self.assertEqual(pinger.get("alive_after_close"), "1", "the window closed mid-run")
        self.assertFiles(folder, files)
        self.assertTrue(self.wait_for_record("main", "start_time"))
        self.assertEqual(len(self.prefix.records("main")), 1, "the main program started twice")
        self.assertNoTemporaryFiles()

    def test_a_file_of_3_gib_on_the_32_bit_build(self):
        # Beyond what a 32-bit process could hold in one block. The source is
        # a sparse file, so that neither it nor its payload (a few MB) costs
        # the disk; the installed bytes are hashed here.
        if not stub_is_32_bit():
            self.skipTest("the stub under test is not the i686 build")
        size = 3 << 30
        source = self.build / "image.src"
        source.mkdir()
        with open(source / "DISK.IMG", "wb") as f:
            f.truncate(size)
            f.seek(size - 16)
            f.write(b"end of the image")
        out = payloads.build_installer(source, self.build / "image.exe",
                                       install_folder="C:\\AzImage", product_name="AzImage")
        setup = self._place(out, "image.exe")

        run = observers.run_watching_memory(self.prefix, setup)
        print("\nprivate memory of the installer: peak %d KiB over %d samples" % (
            run.peak_private_kib, run.samples))
        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, 0, "exit code")
        self.assertLess(run.peak_private_kib, 64 * 1024, "private memory, KiB")
        installed = self.prefix.host("C:\\AzImage\\DISK.IMG")
        self.assertEqual(installed.stat().st_size, size)
        self.assertEqual(file_digest(installed), file_digest(source / "DISK.IMG"))
        installed.unlink()  # 3 GiB that the next scenario does not need

    def _prepare_stop(self, folder, blocked_name):
        """An installer whose third entry cannot be written; the shell
        folders and product name are set, so that a completion would show."""
        self.use_shell_folders({"Desktop": "C:\\azshell\\Desktop",
                                "Favorites": "C:\\azshell\\Favorites",
                                "Start Menu": "C:\\azshell\\Start Menu",
                                "Programs": "C:\\azshell\\Start Menu\\Programs"})
        files = {"A_FIRST.TXT": b"first\r\n", "B_MAIN.EXE": helper_bytes("az_mainprog.exe"),
                 blocked_name: b"new content\r\n", "D_AFTER.TXT": b"after\r\n"}
        return files, self.installer(files, install_folder=folder, main_program="B_MAIN.EXE",
                                     product_name="AzStopped", favorites_name="Fav",
                                     start_menu_name="Start")

    def _assert_stopped_after(self, run, folder, blocked_name, files):
        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, STOPPED_ON_WRITE, "exit code")
        self.assertEqual(len(run.dialogs), 1, run.dialogs)
        box = run.dialogs[0]
        self.assertEqual(box.caption, WRITE_FAILURE_CAPTION)
        self.assertEqual(box.text, write_failure_text(folder + "\\" + blocked_name))
        self.assertEqual(box.text_unicode, box.text.decode("cp1252"))
        self.assertEqual(box.button_ids, [1], "a single OK button")
        self.assertEqual(box.icon, "error")
        self.assertEqual(box.owner_class, "__WINJOB__", "owned by the progress window")
        self.assertEqual(box.owner_pid, box.pid)
        # The entries written before the failing one are taken back;
        # nothing after it happens.
        installed = self.prefix.files_under(folder)
        self.assertNotIn("A_FIRST.TXT", installed)
        self.assertNotIn("B_MAIN.EXE", installed)
        self.assertNotIn("D_AFTER.TXT", installed)
        self.assertNotIn("TAVUUNINSTALL.INI", {k.upper() for k in installed})
        self.assertEqual(self.prefix.records("main"), [], "the main program was started")
        for shell in ("Desktop", "Favorites", "Start Menu", "Start Menu\\Programs"):
            self.assertEqual(self.lnk_files("C:\\azshell\\" + shell), [], shell)
        self.assertNoTemporaryFiles()
        self.assertIsNone(self.uninstall_entry("AzStopped"))

    def test_read_only_target_stops_the_run_with_the_message(self):
        folder = "C:\\AzReadOnly\\App"
        files, setup = self._prepare_stop(folder, "C_LOCKED.TXT")
        target = self.prefix.host(folder + "\\C_LOCKED.TXT")
        target.parent.mkdir(parents=True)
        target.write_bytes(b"old content\r\n")
        # The read-only attribute is the missing write permission, which does
        # not hold back root; the immutable flag does.
        os.chmod(target, 0o444)
        if subprocess.run(["chattr", "+i", str(target)], capture_output=True).returncode != 0:
            self.skipTest("cannot make a file read-only for this user here (chattr +i)")
        self.addCleanup(subprocess.run, ["chattr", "-i", str(target)], capture_output=True)
        run = self.install(setup)

        self._assert_stopped_after(run, folder, "C_LOCKED.TXT", files)
        self.assertEqual(target.read_bytes(), b"old content\r\n")

    def test_locked_target_stops_the_run_with_the_message(self):
        folder = "C:\\AzLocked\\App"
        files, setup = self._prepare_stop(folder, "C_LOCKED.TXT")
        self.prefix.host(folder).mkdir(parents=True)
        self.prefix.host(folder + "\\C_LOCKED.TXT").write_bytes(b"held\r\n")
        self.prefix.start(self.prefix.helper("az_locker.exe"),
                          [folder + "\\C_LOCKED.TXT", "C:\\azwork\\locked.ready"])
        self.assertTrue(self.prefix.wait_for_file("C:\\azwork\\locked.ready"))
        run = self.install(setup, watch_window=True)

        self._assert_stopped_after(run, folder, "C_LOCKED.TXT", files)
        self.assertProgressWindow(run.window, b"setup")
        self.assertEqual(run.window.pid, run.dialogs[0].pid)

    def test_stub_without_a_payload_or_with_a_foreign_one_does_nothing(self):
        self.prefix.copy_in(settings().azsetup, "C:\\azwork\\bare.exe")
        foreign = payloads.payload_bytes(payloads.header_bytes(installFolder="C:\\AzForeign"),
                                         [Entry("FILE.TXT", b"x")], signature=b"XWZ100\0\0")
        foreign_setup = self.raw_installer(foreign, name="foreign.exe")
        sound = self.installer({"FILE.TXT": b"x"}, name="nodisplay.exe",
                               install_folder="C:\\AzNoDisplay", product_name="AzNoDisplay")
        self.machine  # a first program, so that Wine has settled the prefix
        before = self.prefix.snapshot()

        for exe in ("C:\\azwork\\bare.exe", foreign_setup):
            with self.subTest(exe=exe):
                run = self.install(exe)
                self.assertFinishedQuietly(run, code=NOTHING_INSTALLED)
        # A sound installer that cannot make its window (no display to show
        # it on) installs nothing and says so in its exit code.
        with self.subTest(exe=sound):
            run = self.prefix.run(sound, extra_env={"DISPLAY": ""})
            self.assertFalse(run.timed_out)
            self.assertEqual(run.code, NOTHING_INSTALLED, "exit code; Wine said: %r" %
                             run.output[-2000:])
        after = self.prefix.snapshot()
        changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
        self.assertEqual(changed, [], "files changed on drive C:")
        self.assertIsNone(self.uninstall_entry("AzForeign"))
        self.assertIsNone(self.uninstall_entry("AzNoDisplay"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
