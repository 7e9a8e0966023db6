"""The sample product's installer, built and run as the README's main-job
command does: everything installed, three shortcuts, the registry entry,
and the sample's own main program running."""

import os
import unittest

import run_sample
import winereg
from scenario import Scenario


class SampleInstallation(Scenario):

    def test_the_sample_installs_completely(self):
        installer = run_sample.build_sample_installer(self.build)
        run = run_sample.SampleRun(self.prefix, installer)

        self.assertFinishedQuietly(run.observation)
        expected = run_sample.sample_files(os.environ["AZ_SAMPLE_PROGRAM"])
        self.assertEqual({k.lower(): v for k, v in run.files.items()
                          if k.upper() != "TAVUUNINSTALL.INI"},
                         {k.lower(): v for k, v in expected.items()})
        self.assertEqual(len(run.links), 3, run.links)
        for path, link in run.links.items():
            self.assertEqual(link.target, run.folder + "\\CARNET.EXE", path)
            self.assertEqual(link.description, "Carnet", path)
            self.assertEqual(link.icon_location, run.folder + "\\CARNET.ICO", path)
        self.assertEqual(run.uninstall["DisplayName"], winereg.string_value("Carnet"))
        self.assertTrue(run.window.visible, "CARNET.EXE showed no window")
        self.assertEqual(run.window.titles[-1], b"Carnet")
        report = run.report()
        self.assertIn("CARNET.EXE", report)
        self.assertIn("TAVUUNINSTALL.INI", report)


if __name__ == "__main__":
    unittest.main(verbosity=2)
