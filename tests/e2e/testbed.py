"""The end-to-end test bed: a private Wine prefix per scenario.

A WinePrefix is a throw-away copy of the build's template prefix (made and
copied by cmake/wine-common.sh, so the template and its lock are the same as
the Wine runner's), with its own Xvfb. Programs run in it in the foreground
(exit code, duration) or in the background; its registry is prepared and read
back through the .reg files while its wineserver is down; Windows paths map
to host paths inside it. Leaving the context stops the prefix's wineserver
(`wineserver -k` with WINEPREFIX set) and the Xvfb it started, and nothing
else.

Settings come from the environment that ctest gives (tests/e2e/CMakeLists.txt):
AZPACK, AZSETUP, AZ_HELPERS, AZ_OTHER_HELPERS, AZ_WINE_TEMPLATE, AZ_SOURCE_DIR.
AZ_E2E_KEEP=1 keeps every prefix (its folder is printed) for inspection.

The stub under test is 32-bit (i686, the shipping build, run under WoW64) or
64-bit; its helpers are of the same bitness, and the registry of a prefix is
read and written in the view the stub sees: for a 32-bit stub, the keys below
HKLM\\Software are those under Software\\Wow6432Node, as on 64-bit Windows.
"""

import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

import winereg

HERE = Path(__file__).resolve().parent


class Settings:
    """Where the programs under test and the helpers are."""

    def __init__(self):
        missing = [n for n in ("AZPACK", "AZSETUP", "AZ_HELPERS", "AZ_WINE_TEMPLATE")
                   if not os.environ.get(n)]
        if missing:
            raise RuntimeError("the end-to-end tests need %s in the environment "
                               "(ctest in the win64 build sets them)" % ", ".join(missing))
        self.azpack = Path(os.environ["AZPACK"])
        self.azsetup = Path(os.environ["AZSETUP"])
        self.helpers = Path(os.environ["AZ_HELPERS"])
        self.template = Path(os.environ["AZ_WINE_TEMPLATE"])
        self.source = Path(os.environ.get("AZ_SOURCE_DIR") or HERE.parents[1])
        self.keep = os.environ.get("AZ_E2E_KEEP") == "1"
        self.bits = pe_bits(self.azsetup)
        other = os.environ.get("AZ_OTHER_HELPERS")
        self.other_helpers = Path(other) if other else None

    def helper(self, name, other_bitness=False):
        """A helper program of the stub's bitness, or of the other one."""
        folder = self.other_helpers if other_bitness else self.helpers
        if folder is None:
            raise RuntimeError("AZ_OTHER_HELPERS is not set: the other Windows build's "
                               "helpers are needed (configure with AZ_OTHER_BUILD)")
        path = folder / name
        if not path.is_file():
            raise RuntimeError("helper program %s is missing (build tests/helpers%s)" % (
                path, " of the other Windows build" if other_bitness else ""))
        if other_bitness and pe_bits(path) == self.bits:
            raise RuntimeError("%s is not of the other bitness" % path)
        skip_unless_runnable(path)
        return path


def pe_bits(path):
    """32 or 64: the bitness of a Windows program, read from its PE header."""
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = int.from_bytes(head[60:64], "little")
    machine = int.from_bytes(head[offset + 4:offset + 6], "little")
    if head[:2] != b"MZ" or head[offset:offset + 4] != b"PE\0\0" or \
            machine not in (0x14C, 0x8664):
        raise RuntimeError("%s is not a Windows program for i386 or x86_64" % path)
    return 32 if machine == 0x14C else 64


class RegistryView:
    """A prefix's registry file as a program of one bitness sees it: for a
    32-bit program on 64-bit Windows, HKLM\\Software\\X is stored as
    Software\\Wow6432Node\\X (Software\\Classes, shared, keeps its place)."""

    def __init__(self, regfile, redirect):
        self.file = regfile
        self.redirect = redirect

    def key(self, key):
        if not self.redirect:
            return key
        lower = key.lower()
        if not lower.startswith("software\\") or lower.startswith(
                ("software\\wow6432node\\", "software\\classes\\")) or \
                lower in ("software\\wow6432node", "software\\classes"):
            return key
        return "Software\\Wow6432Node\\" + key[len("software\\"):]

    def values(self, key):
        return self.file.values(self.key(key))

    def value(self, key, name):
        return self.file.value(self.key(key), name)

    def has_key(self, key):
        return self.file.has_key(self.key(key))

    def subkeys(self, key):
        return self.file.subkeys(self.key(key))

    def set_value(self, key, name, value):
        self.file.set_value(self.key(key), name, value)

    def delete_value(self, key, name):
        self.file.delete_value(self.key(key), name)

    def delete_key(self, key):
        self.file.delete_key(self.key(key))

    def save(self):
        self.file.save()


_settings = None


def settings():
    global _settings
    if _settings is None:
        _settings = Settings()
    return _settings


def _wine_common():
    return settings().source / "cmake" / "wine-common.sh"


def wine_shell(script, *args, timeout=600):
    """Runs `script` in sh after sourcing wine-common.sh; $1.. are `args`."""
    return subprocess.run(["sh", "-c", '. "$0"; ' + script, str(_wine_common())] +
                          [str(a) for a in args], capture_output=True, text=True,
                          timeout=timeout)


_reason_32bit = None


def reason_32bit_unusable():
    """Empty when this machine runs 32-bit Windows programs, otherwise why
    not: the runners' own check, WINE32 override included."""
    global _reason_32bit
    if _reason_32bit is None:
        _reason_32bit = wine_shell("wine_32bit_unusable").stdout.strip()
    return _reason_32bit


def skip_unless_runnable(host_path):
    """Skips the scenario, with the reason, when `host_path` is a 32-bit
    Windows program and this machine cannot run one."""
    try:
        bits = pe_bits(host_path)
    except (OSError, RuntimeError):
        return
    if bits == 32 and reason_32bit_unusable():
        raise unittest.SkipTest("runs a 32-bit program, and " + reason_32bit_unusable())


_wine_programs = None


def wine_programs():
    """(wine64, wineserver) as wine-common.sh chooses them."""
    global _wine_programs
    if _wine_programs is None:
        out = wine_shell('printf "%s\\n%s\\n" "$WINE64" "$WINESERVER"').stdout.split("\n")
        _wine_programs = (out[0], out[1])
    return _wine_programs


def filetime_to_epoch(value):
    """A Windows FILETIME (100 ns units since 1601) as host seconds since 1970."""
    return int(value) / 1e7 - 11644473600.0


def read_record(path):
    """Parses a helper's "key=value" record, with "[section]" lines starting
    a new dict; returns (top-level dict, [section dicts])."""
    top, sections, current = {}, [], None
    with open(path, "rb") as f:
        for raw in f.read().split(b"\n"):
            line = raw.decode("latin-1")
            if not line:
                continue
            if line.startswith("[") and line.endswith("]"):
                current = {"_name": line[1:-1]}
                sections.append(current)
                continue
            key, _, value = line.partition("=")
            (current if current is not None else top)[key] = value
    return top, sections


def unhex(text):
    return bytes.fromhex(text or "")


def _file_size_limiter(limit):
    """A preexec function that caps the size of files the child writes
    (RLIMIT_FSIZE) and lets such a write fail instead of killing it."""
    if limit is None:
        return None

    def apply():
        import resource
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return apply


class Background:
    """A program started in the background in a prefix."""

    def __init__(self, popen, program, log):
        self.popen = popen
        self.program = program
        self.log = log

    def alive(self):
        return self.popen.poll() is None

    def wait(self, timeout):
        """Exit code, or None when it is still running after `timeout` s."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        """Ends this program's own process (one we started) at once."""
        if self.alive():
            self.popen.send_signal(signal.SIGKILL)
            self.popen.wait()


class RunResult:
    def __init__(self, code, seconds, timed_out, output):
        self.code = code
        self.seconds = seconds
        self.timed_out = timed_out
        self.output = output

    def __repr__(self):
        return "RunResult(code=%r, seconds=%.2f, timed_out=%r)" % (
            self.code, self.seconds, self.timed_out)


class WinePrefix:
    """One scenario's private Wine prefix and X server."""

    def __init__(self, label="scenario", screen="1024x768x24"):
        self.label = re.sub(r"[^A-Za-z0-9_.-]", "_", label)
        self.screen = screen
        self.root = None
        self.path = None
        self.display = None
        self._xvfb = None
        self._background = []
        self._server_may_run = False
        self._runs = 0

    # -- life cycle -------------------------------------------------------

    def __enter__(self):
        s = settings()
        self.root = Path(tempfile.mkdtemp(prefix="aze2e-%s." % self.label))
        self.path = self.root / "prefix"
        made = wine_shell('wine_ensure_template "$1" && wine_copy_prefix "$1" "$2"',
                          s.template, self.path)
        if made.returncode != 0:
            shutil.rmtree(self.root, ignore_errors=True)
            raise RuntimeError("cannot make a Wine prefix from %s: %s" % (s.template, made.stderr))
        self.drive_c = self.path / "drive_c"
        self.home = self.root / "home"
        self._seal()
        for folder in ("azwork", "azwork/observe", "azrecords", "azhelpers"):
            (self.drive_c / folder).mkdir(parents=True, exist_ok=True)
        try:
            self._start_xvfb()
        except Exception:
            self.close()
            raise
        return self

    def _seal(self):
        """Keeps everything a scenario writes inside its prefix: the user's
        folders that wineboot linked to the host's home become real folders,
        the drive that maps the host's root is removed, and HOME points to a
        private folder (see env)."""
        self.home.mkdir()
        users = self.drive_c / "users"
        for user in users.iterdir() if users.is_dir() else []:
            for entry in list(user.iterdir()) if user.is_dir() else []:
                if entry.is_symlink():
                    entry.unlink()
                    entry.mkdir()
        for drive in (self.path / "dosdevices").iterdir():
            if drive.is_symlink() and os.path.realpath(drive) == "/":
                drive.unlink()
        # Xvfb runs no window manager, and Wine waits up to two seconds for
        # one whenever a managed window is hidden: manage none.
        user = winereg.RegFile(self.path / "user.reg")
        user.set_value("Software\\Wine\\X11 Driver", "Managed", winereg.string_value("N"))
        user.save()

    def __exit__(self, kind, value, trace):
        self.close()
        return False

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                 "-nolisten", "tcp"], pass_fds=(write_end,),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.close(write_end)
        data = b""
        deadline = time.monotonic() + 30
        try:
            while not data.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_end], [], [], 1.0)
                if ready:
                    chunk = os.read(read_end, 64)
                    if not chunk:
                        break
                    data += chunk
        finally:
            os.close(read_end)
        if not data.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = data.decode().strip()

    def close(self):
        if self.root is None:
            return
        self.stop_server()
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        if settings().keep:
            print("kept Wine prefix: %s" % self.path, file=sys.stderr)
        else:
            shutil.rmtree(self.root, ignore_errors=True)
        self.root = None

    def stop_server(self):
        """Stops this prefix's wineserver and with it every program still
        running in the prefix; the registry files are then up to date."""
        if not self._server_may_run:
            return
        env = self.env()
        wineserver = wine_programs()[1]
        subprocess.run([wineserver, "-k"], env=env, capture_output=True, timeout=60)
        try:
            subprocess.run([wineserver, "-w"], env=env, capture_output=True, timeout=60)
        except subprocess.TimeoutExpired:
            pass
        for job in self._background:
            if job.wait(10) is None:
                job.kill()
        self._background = []
        self._server_may_run = False

    def map_drive(self, letter, host_folder):
        """Maps a drive letter to a host folder (a small file system, for
        example); call before the first program runs."""
        link = self.path / "dosdevices" / (letter.lower() + ":")
        if os.path.lexists(link):
            link.unlink()
        link.symlink_to(Path(host_folder).resolve())

    # -- environment and paths --------------------------------------------

    def env(self, dll_overrides=None, extra=None):
        env = dict(os.environ)
        for name in ("WINEPREFIX", "DISPLAY", "WINEDLLOVERRIDES", "WINEDEBUG", "WINEARCH",
                     "WINELOADER", "WINESERVER"):
            env.pop(name, None)
        # No desktop entries or menus for the host (winemenubuilder).
        overrides = "mscoree,mshtml=;winemenubuilder.exe=d"
        if dll_overrides:
            overrides += ";" + dll_overrides
        env.update(WINEPREFIX=str(self.path), DISPLAY=":" + self.display, WINEDEBUG="-all",
                   WINEDLLOVERRIDES=overrides, LC_ALL="C.UTF-8", HOME=str(self.home),
                   XDG_CONFIG_HOME=str(self.home / ".config"),
                   XDG_DATA_HOME=str(self.home / ".local" / "share"),
                   XDG_CACHE_HOME=str(self.home / ".cache"),
                   XDG_DESKTOP_DIR=str(self.home / "Desktop"))
        if extra:
            env.update(extra)
        return env

    def host(self, windows_path):
        """The host path of a path on drive C:, matching existing folders and
        files without regard to case, as Windows would."""
        text = str(windows_path).replace("/", "\\")
        m = re.match(r"^[cC]:(.*)$", text)
        if not m:
            raise ValueError("not a path on drive C: %r" % windows_path)
        current = self.drive_c
        for part in [p for p in m.group(1).split("\\") if p]:
            candidate = current / part
            if not os.path.lexists(candidate) and current.is_dir():
                lower = part.lower()
                for name in os.listdir(current):
                    if name.lower() == lower:
                        candidate = current / name
                        break
            current = candidate
        return current

    def win(self, host_path):
        """The Windows path (drive C:) of a host path inside the prefix."""
        relative = Path(host_path).resolve().relative_to(self.drive_c.resolve())
        return "C:\\" + "\\".join(relative.parts)

    # -- running programs ---------------------------------------------------

    def helper(self, name, other_bitness=False):
        """The Windows path of a helper program of the stub's bitness (or of
        the other one), copied into the prefix on first use (C:\\azhelpers,
        C:\\azhelpers\\other)."""
        folder = "C:\\azhelpers\\other\\" if other_bitness else "C:\\azhelpers\\"
        path = folder + name
        if not self.host(path).exists():
            self.host(folder).mkdir(parents=True, exist_ok=True)
            shutil.copyfile(settings().helper(name, other_bitness), self.host(path))
        return path

    def _command(self, program, args):
        if isinstance(program, Path):
            program = self.win(program)
        if re.match(r"^[cC]:", str(program)):
            skip_unless_runnable(self.host(str(program)))
        return [wine_programs()[0], str(program)] + [str(a) for a in args]

    def run(self, program, args=(), timeout=120, cwd="C:\\azwork", dll_overrides=None,
            extra_env=None, file_size_limit=None):
        """Runs a Windows program (a Windows path, or a host Path inside the
        prefix) and waits for it; returns a RunResult. With file_size_limit
        (bytes), the program cannot make any file larger than that: a write
        past it fails as on a full disk (start the prefix's server before, so
        that it does not inherit the limit)."""
        self._server_may_run = True
        self._runs += 1
        log = self.root / ("run-%d.log" % self._runs)
        start = time.monotonic()
        with open(log, "wb") as out:
            popen = subprocess.Popen(self._command(program, args), cwd=self.host(cwd),
                                     env=self.env(dll_overrides, extra_env), stdout=out,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                     preexec_fn=_file_size_limiter(file_size_limit))
            timed_out = False
            try:
                code = popen.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                timed_out = True
                popen.kill()
                code = popen.wait()
        seconds = time.monotonic() - start
        return RunResult(code, seconds, timed_out, log.read_bytes())

    def start(self, program, args=(), cwd="C:\\azwork", dll_overrides=None, extra_env=None):
        """Starts a Windows program in the background; returns a Background."""
        self._server_may_run = True
        self._runs += 1
        log = self.root / ("background-%d.log" % self._runs)
        with open(log, "wb") as out:
            popen = subprocess.Popen(self._command(program, args), cwd=self.host(cwd),
                                     env=self.env(dll_overrides, extra_env), stdout=out,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        job = Background(popen, program, log)
        self._background.append(job)
        return job

    def wait_for_file(self, windows_path, timeout=30):
        """Waits until a file exists; True when it does."""
        host = self.host(windows_path)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if host.exists():
                return True
            time.sleep(0.05)
            host = self.host(windows_path)
        return False

    def copy_in(self, source, windows_path, extra=b""):
        """Copies a host file to a Windows path, creating its folders, and
        appends `extra` bytes (to make two versions of one program differ)."""
        target = self.host(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        data = Path(source).read_bytes() + extra
        target.write_bytes(data)
        return data

    # -- registry -----------------------------------------------------------

    def registry(self, hive, bits=None):
        """The hive's registry file, parsed, in the view of a program of
        `bits` (the stub's by default); the server is stopped first, so
        that the file holds everything written so far. Save it to apply
        edits before the next program runs."""
        self.stop_server()
        name = {"HKLM": "system.reg", "HKCU": "user.reg"}[hive.upper()]
        bits = bits or settings().bits
        return RegistryView(winereg.RegFile(self.path / name),
                            redirect=hive.upper() == "HKLM" and bits == 32)

    def set_values(self, hive, key, values):
        """Sets several values of one key: {name: RegValue or str}."""
        reg = self.registry(hive)
        for name, value in values.items():
            if isinstance(value, str):
                value = winereg.string_value(value)
            reg.set_value(key, name, value)
        reg.save()

    def delete_value(self, hive, key, name):
        reg = self.registry(hive)
        reg.delete_value(key, name)
        reg.save()

    # -- records and files ----------------------------------------------------

    def records(self, role):
        """The records that stand-ins of one role wrote, oldest first."""
        folder = self.drive_c / "azrecords"
        found = []
        for path in folder.glob(role + "-*.txt"):
            top, _ = read_record(path)
            for key in ("module", "command_line", "cwd", "watch"):
                if key in top:
                    top[key] = unhex(top[key])
            for key in ("start_time", "close_time", "released_time"):
                if key in top:
                    top[key] = filetime_to_epoch(top[key])
            found.append(top)
        return sorted(found, key=lambda r: r.get("start_time", 0))

    def files_under(self, windows_path):
        """{relative path with backslashes: bytes} of every file below a folder."""
        root = self.host(windows_path)
        result = {}
        if not root.is_dir():
            return result
        for dirpath, _, names in os.walk(root):
            for name in names:
                full = Path(dirpath) / name
                result["\\".join(full.relative_to(root).parts)] = full.read_bytes()
        return result

    def snapshot(self, skip=("azwork\\observe", "azhelpers", "azrecords")):
        """{relative path: (size, mtime_ns)} of everything on drive C:, for
        telling what a run changed."""
        result = {}
        skipped = tuple(s.lower() for s in skip)
        for dirpath, dirnames, names in os.walk(self.drive_c):
            rel_dir = Path(dirpath).relative_to(self.drive_c)
            for name in names + dirnames:
                rel = "\\".join((rel_dir / name).parts)
                if rel.lower().startswith(skipped):
                    continue
                st = os.lstat(Path(dirpath) / name)
                is_dir = name in dirnames
                result[rel] = ("dir", 0) if is_dir else (st.st_size, st.st_mtime_ns)
        return result
