"""Builds the sample installer from samples/product and runs it in a fresh
Wine prefix, then prints what was installed and where.

    python3 run_sample.py --host-build build/host --windows-build build/win32
                          [--out build/sample] [--keep]

The installer is made with the stub of the Windows build given: build/win32
(the i686 shipping stub) by default, or build/win64 for the x86_64 one. The
sample product is samples/product (notes, letter templates, an icon) plus
its main program CARNET.EXE, built from samples/product-src by that build. scripts/sample.sh runs this after building; test_sample.py
checks the same installation.
"""

import argparse
import os
import shutil
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parents[1]

PRODUCT = "Carnet"
MAIN_PROGRAM = "CARNET.EXE"
ICON = "CARNET.ICO"
INSTALL_FOLDER = "%programfiles%\\Carnet"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
SHELL_FOLDERS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"


def configure(host_build, windows_build):
    """Points the test bed at the two builds (as ctest would)."""
    host_build, windows_build = Path(host_build).resolve(), Path(windows_build).resolve()
    os.environ.update(
        AZPACK=str(host_build / "tools" / "azpack" / "azpack"),
        AZSETUP=str(windows_build / "src" / "app" / "azsetup.exe"),
        AZ_HELPERS=str(windows_build / "tests" / "helpers"),
        AZ_SAMPLE_PROGRAM=str(windows_build / "samples" / "product-src" / "CARNET.exe"),
        AZ_WINE_TEMPLATE=str(windows_build / "wine-template"),
        AZ_UNINSTALLER=str(windows_build / "src" / "uninstall" / "TAVUUNINSTALL.EXE"),
        AZ_SOURCE_DIR=str(SOURCE))


def sample_files(program):
    """{relative path: bytes} of the sample product, main program included."""
    root = SOURCE / "samples" / "product"
    files = {}
    for path in sorted(root.rglob("*")):
        if path.is_file():
            files["\\".join(path.relative_to(root).parts)] = path.read_bytes()
    files[MAIN_PROGRAM] = Path(program).read_bytes()
    return files


def build_sample_installer(out_dir):
    """Stages the product and builds out_dir/carnet-setup.exe with azpack."""
    import payloads
    out_dir = Path(out_dir)
    stage = out_dir / "product"
    shutil.rmtree(stage, ignore_errors=True)
    payloads.write_tree(stage, sample_files(os.environ["AZ_SAMPLE_PROGRAM"]))
    return payloads.build_installer(
        stage, out_dir / "carnet-setup.exe", main_program=MAIN_PROGRAM, icon_file=ICON,
        install_folder=INSTALL_FOLDER, product_name=PRODUCT, favorites_name=PRODUCT,
        start_menu_name=PRODUCT, uninstaller=os.environ.get("AZ_UNINSTALLER"))


class SampleRun:
    """The sample installer run in a prefix, and what it left there."""

    def __init__(self, prefix, installer):
        import observers
        self.prefix = prefix
        prefix.copy_in(installer, "C:\\azwork\\carnet-setup.exe")
        self.observation = observers.run_observed(prefix, "C:\\azwork\\carnet-setup.exe")
        self.window = observers.wait_for_window(prefix, "CarnetWindow")
        hklm, hkcu = prefix.registry("HKLM"), prefix.registry("HKCU")
        program_files = hklm.value("Software\\Microsoft\\Windows\\CurrentVersion",
                                   "ProgramFilesDir").text
        self.folder = program_files.rstrip("\\") + "\\Carnet"
        self.uninstall = hklm.values(UNINSTALL_KEY + "\\" + PRODUCT)
        self.shell = {name: hkcu.value(SHELL_FOLDERS_KEY, name).text
                      for name in ("Desktop", "Favorites", "Programs")}
        self.files = prefix.files_under(self.folder)
        self.links = {}
        import shortcuts
        for name, folder in self.shell.items():
            path = folder + "\\" + PRODUCT + ".LNK"
            if prefix.host(path).is_file():
                self.links[path] = shortcuts.read_shortcut(prefix.host(path))
        self.profile = self.files.get("TAVUUNINSTALL.INI", b"")

    def report(self):
        o = self.observation
        lines = ["Ran the sample installer in a fresh Wine prefix: exit code %s, %.1f s, %s." % (
            o.code, o.seconds,
            "no message box" if not o.dialogs else "%d message box(es)" % len(o.dialogs))]
        for d in o.dialogs:
            lines.append("  message box %r: %r" % (d.caption, d.text))
        lines += ["", "Installed files in %s:" % self.folder]
        for name in sorted(self.files, key=str.lower):
            lines.append("  %-28s %8d bytes" % (name, len(self.files[name])))
        lines += ["", "Shortcuts:"]
        for path, link in self.links.items():
            lines.append("  %s" % path)
            lines.append("      target %s, description %r, icon %s" % (
                link.target, link.description, link.icon_location))
        if not self.links:
            lines.append("  none")
        lines += ["", "Uninstall registry entry HKEY_LOCAL_MACHINE\\%s\\%s:" % (
            self.prefix.registry("HKLM").key(UNINSTALL_KEY), PRODUCT)]
        for name, value in (self.uninstall or {}).items():
            kind = {1: "REG_SZ", 2: "REG_EXPAND_SZ", 4: "REG_DWORD"}.get(
                value.kind, "type %d" % value.kind)
            shown = int.from_bytes(value.data, "little") if value.kind == 4 else value.text
            lines.append("  %-16s %-9s %s" % (name, kind, shown))
        if not self.uninstall:
            lines.append("  missing")
        lines += ["", "Uninstall profile %s\\TAVUUNINSTALL.INI:" % self.folder]
        lines += ["  " + line for line in self.profile.decode("cp1252").splitlines()]
        shown = self.window.visible
        lines += ["", "Main program: %s" % (
            "%s is running, its window titled %r" % (MAIN_PROGRAM, self.window.titles[-1].decode(
                "cp1252")) if shown else "no window of %s seen" % MAIN_PROGRAM)]
        return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--host-build", default=str(SOURCE / "build" / "host"))
    parser.add_argument("--windows-build", default=str(SOURCE / "build" / "win32"),
                        help="the Windows build whose stub is used (build/win32: i686, "
                             "the shipping stub; build/win64: x86_64)")
    parser.add_argument("--out", default=str(SOURCE / "build" / "sample"))
    parser.add_argument("--keep", action="store_true", help="keep the Wine prefix")
    args = parser.parse_args()
    configure(args.host_build, args.windows_build)
    if args.keep:
        os.environ["AZ_E2E_KEEP"] = "1"
    sys.path.insert(0, str(HERE))
    import testbed

    Path(args.out).mkdir(parents=True, exist_ok=True)
    start = time.monotonic()
    installer = build_sample_installer(args.out)
    print("Built the sample installer %s (%d bytes, %d-bit stub) in %.1f s." % (
        installer, installer.stat().st_size, testbed.settings().bits,
        time.monotonic() - start))
    with testbed.WinePrefix("sample") as prefix:
        run = SampleRun(prefix, installer)
        print(run.report())
        ok = run.observation.code == 0 and not run.observation.dialogs and run.uninstall
        ok = uninstall_sample(prefix, run) and ok
    return 0 if ok else 1


def uninstall_sample(prefix, run):
    """Runs the QuietUninstallString read from the prefix's registry, then
    shows that the product is gone: files, shortcuts, registry entry."""
    import uninstalling
    quiet = (run.uninstall or {}).get("QuietUninstallString")
    if quiet is None:
        print("\nNo QuietUninstallString in the Uninstall entry: nothing to run.")
        return False
    observation = uninstalling.run_command(prefix, quiet.text)
    hklm = prefix.registry("HKLM")
    left = prefix.files_under(run.folder)
    links = [path for path in run.links if prefix.host(path).exists()]
    entry = hklm.values(UNINSTALL_KEY + "\\" + PRODUCT)
    print("\nRan the uninstall command from the registry: %s\n  exit code %s, %.1f s" % (
        quiet.text, observation.code, observation.seconds))
    print("  %s: %s" % (run.folder, "gone" if not prefix.host(run.folder).exists() else
                         "still there, %d file(s)" % len(left)))
    print("  shortcuts left: %d, Uninstall entry: %s" % (
        len(links), "gone" if entry is None else "still there"))
    return observation.code == 0 and not prefix.host(run.folder).exists() and not links \
        and entry is None


if __name__ == "__main__":
    sys.exit(main())
