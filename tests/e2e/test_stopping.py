"""A running copy of the main program is stopped before the first file of
the installation is written: found by its full path ignoring case, through
the process status library or, when that library is missing, the process
snapshot."""

import unittest

from scenario import STOPPED_ON_WRITE, WRITE_FAILURE_CAPTION, Scenario, helper_bytes, \
    helper_path, write_failure_text

OLD = b"OLD-MAIN"
NEW = b"NEW-MAIN"


class StoppingTheMainProgram(Scenario):

    def make_setup(self, folder, name):
        # A0.TXT comes before APP.EXE: the copy is stopped before the first
        # file is written.
        files = {"A0.TXT": b"before the main program\r\n",
                 "APP.EXE": helper_bytes("az_mainprog.exe") + NEW, "DATA.TXT": b"data\r\n"}
        setup = self.installer(files, name=name, install_folder=folder, main_program="APP.EXE",
                               product_name="AzStop")
        return files, setup

    def start_old_copy(self, path, started_as=None):
        """Puts the old main program at `path` and starts it (under the
        spelling `started_as`); returns the running job."""
        self.prefix.copy_in(helper_path("az_mainprog.exe"), path, extra=OLD)
        before = len(self.prefix.records("main"))
        job = self.prefix.start(started_as or path)
        self.assertTrue(self.wait_for_record("main", "start_time", before + 1),
                        "the old copy did not start")
        return job

    def test_running_copy_at_the_target_path_is_stopped_and_replaced(self):
        # A copy from another folder runs through all three installations.
        other = self.start_old_copy("C:\\AzStop\\Other\\APP.EXE")
        _, setup_none = self.make_setup("C:\\AzStop\\None", "none.exe")
        files, setup_exact = self.make_setup("C:\\AzStop\\Exact", "exact.exe")
        _, setup_case = self.make_setup("C:\\AzStop\\Case", "case.exe")

        none = self.install(setup_none)
        self.assertFinishedQuietly(none)

        exact_copy = self.start_old_copy("C:\\AzStop\\Exact\\APP.EXE")
        exact = self.install(setup_exact)
        self.assertFinishedQuietly(exact)
        self.assertIsNotNone(exact_copy.wait(10), "the copy at the target path still runs")
        self.assertFiles("C:\\AzStop\\Exact", files)

        case_copy = self.start_old_copy("C:\\AzStop\\Case\\APP.EXE",
                                        started_as="c:\\AZSTOP\\case\\app.exe")
        case = self.install(setup_case)
        self.assertFinishedQuietly(case)
        self.assertIsNotNone(case_copy.wait(10), "the copy started as c:\\AZSTOP\\case\\app.exe")
        self.assertFiles("C:\\AzStop\\Case", files)

        self.assertTrue(other.alive(), "the copy in another folder was stopped")

    def test_without_the_process_status_library_bare_names_never_match(self):
        # Wine's process snapshot names executables without their folder, so
        # the fallback walk finds nothing; the running copy keeps its file
        # locked and the write fails with the message.
        files, setup = self.make_setup("C:\\AzStop\\Snapshot", "snapshot.exe")
        running = self.start_old_copy("C:\\AzStop\\Snapshot\\APP.EXE")
        run = self.install(setup, dll_overrides="psapi=")

        self.assertFalse(run.timed_out)
        self.assertEqual(run.code, STOPPED_ON_WRITE, "exit code")
        self.assertTrue(running.alive(), "the snapshot walk stopped a program")
        self.assertEqual(len(run.dialogs), 1, run.dialogs)
        self.assertEqual(run.dialogs[0].caption, WRITE_FAILURE_CAPTION)
        self.assertEqual(run.dialogs[0].text,
                         write_failure_text("C:\\AzStop\\Snapshot\\APP.EXE"))
        self.assertEqual(self.prefix.host("C:\\AzStop\\Snapshot\\APP.EXE").read_bytes(),
                         helper_bytes("az_mainprog.exe") + OLD)
        self.assertIsNone(self.uninstall_entry("AzStop"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
