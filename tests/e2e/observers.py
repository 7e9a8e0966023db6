"""Runs an installer in a prefix while the helper programs watch it.

`run_observed` starts the dialog watcher (which records and confirms every
message box) and, when asked, the progress-window observer, waits until both
watch, runs the installer in the foreground, then stops the watchers and
reads what they saw.
"""

import itertools
import os
import time

from testbed import read_record, unhex

_counter = itertools.count(1)


class Dialog:
    """One dialog (message box) as the watcher saw it."""

    def __init__(self, fields):
        self.fields = fields
        self.caption = unhex(fields.get("caption_a"))
        self.caption_unicode = unhex(fields.get("caption_w")).decode("utf-16-le")
        self.text = unhex(fields.get("text_a"))
        self.text_unicode = unhex(fields.get("text_w")).decode("utf-16-le")
        self.style = int(fields.get("dialog_style", 0))
        self.pid = int(fields.get("dialog_pid", 0))
        self.owner_class = fields.get("owner_class", "")
        self.owner_style = int(fields.get("owner_style", 0))
        self.owner_pid = int(fields.get("owner_pid", 0))
        self.buttons = []
        for item in filter(None, fields.get("buttons", "").split(";")):
            ident, _, label = item.partition(":")
            self.buttons.append((int(ident), label))
        self.icon_shown = fields.get("icon_shown") == "1"
        self.closed = fields.get("closed") == "1"

    @property
    def icon(self):
        """"none", or the family of the icon shown: "error" (red), "warning"
        (yellow), "information" (blue), else "other"."""
        if not self.icon_shown:
            return "none"
        counts = {k: int(self.fields.get("icon_%s_pixels" % c, 0))
                  for k, c in (("error", "red"), ("warning", "yellow"), ("information", "blue"))}
        best = max(counts, key=counts.get)
        return best if counts[best] >= 20 else "other"

    @property
    def button_ids(self):
        return [ident for ident, _ in self.buttons]

    def __repr__(self):
        return "Dialog(caption=%r, text=%r, owner=%r, buttons=%r, icon=%s)" % (
            self.caption, self.text, self.owner_class, self.buttons, self.icon)


class WindowSighting:
    """What the observer saw of the progress window."""

    def __init__(self, fields):
        self.fields = fields
        self.seen = fields.get("seen") == "1"
        # Seen shown, with its rectangles and styles read (a quick run may
        # end before the observer gets more than a glimpse).
        self.visible = fields.get("visible") == "1"
        self.titles = [unhex(fields["title_%d" % i])
                       for i in range(int(fields.get("title_count", 0)))]
        self.window_rect = tuple(int(v) for v in fields.get("window_rect", "0,0,0,0").split(","))
        self.client_rect = tuple(int(v) for v in fields.get("client_rect", "0,0,0,0").split(","))
        self.pid = int(fields.get("pid", 0))

    def number(self, key):
        return int(self.fields.get(key, 0))

    @property
    def width(self):
        return self.window_rect[2] - self.window_rect[0]

    @property
    def height(self):
        return self.window_rect[3] - self.window_rect[1]

    def __repr__(self):
        return "WindowSighting(seen=%r, titles=%r, rect=%r, pixels=%s/%s)" % (
            self.seen, self.titles, self.window_rect, self.fields.get("text_pixels_exact"),
            self.fields.get("text_pixels_near"))


class Observation:
    """An installer run: exit code, duration and what the watchers saw."""

    def __init__(self, run, dialogs, window, dialogs_finished):
        self.run = run
        self.code = run.code
        self.seconds = run.seconds
        self.timed_out = run.timed_out
        self.dialogs = dialogs
        self.window = window
        self.dialogs_finished = dialogs_finished

    def __repr__(self):
        return "Observation(code=%r, seconds=%.2f, dialogs=%r, window=%r)" % (
            self.code, self.seconds, self.dialogs, self.window)


def _start_watcher(prefix, helper, name, timeout_ms, extra=()):
    result = "C:\\azwork\\observe\\%s.txt" % name
    stop = "C:\\azwork\\observe\\%s.stop" % name
    job = prefix.start(prefix.helper(helper), [result, stop, timeout_ms] + list(extra))
    if not prefix.wait_for_file(result + ".ready", timeout=60):
        raise RuntimeError("%s did not start watching" % helper)
    return job, result, stop


def _finish_watcher(prefix, job, result, stop):
    prefix.host(stop).write_bytes(b"stop")
    job.wait(30)
    path = prefix.host(result)
    return read_record(path) if path.exists() else ({}, [])


def run_observed(prefix, program, args=(), watch_window=False, timeout=120, cwd="C:\\azwork",
                 dll_overrides=None, extra_env=None, settle=0.0, file_size_limit=None):
    """Runs `program` (normally an installer) under the watchers. `settle`
    seconds are waited after it ends before the watchers stop, for dialogs
    of programs that it started. file_size_limit: see WinePrefix.run."""
    n = next(_counter)
    timeout_ms = str(int((timeout + 60) * 1000))
    dialog_job = _start_watcher(prefix, "az_dialogs.exe", "dialogs-%d" % n, timeout_ms)
    window_job = None
    if watch_window:
        window_job = _start_watcher(prefix, "az_window.exe", "window-%d" % n, timeout_ms)
    run = prefix.run(program, args, timeout=timeout, cwd=cwd, dll_overrides=dll_overrides,
                     extra_env=extra_env, file_size_limit=file_size_limit)
    if settle:
        time.sleep(settle)
    top, sections = _finish_watcher(prefix, *dialog_job)
    dialogs = [Dialog(s) for s in sections]
    window = None
    if window_job:
        window = WindowSighting(_finish_watcher(prefix, *window_job)[0])
    return Observation(run, dialogs, window, top.get("finished") == "1")


def run_pinged(prefix, program, close_after_ms, timeout=120):
    """Runs `program` under the dialog watcher while az_pinger keeps asking
    its progress window for an answer (WM_NULL, 1 s each) and, after
    `close_after_ms`, to close; (Observation, the pinger's record)."""
    n = next(_counter)
    timeout_ms = str(int((timeout + 60) * 1000))
    pinger = _start_watcher(prefix, "az_pinger.exe", "pinger-%d" % n, timeout_ms,
                            [str(close_after_ms)])
    observation = run_observed(prefix, program, timeout=timeout)
    return observation, _finish_watcher(prefix, *pinger)[0]


class TogetherResult:
    """Programs run at the same time: their exit codes (None for one that
    was still running at the time-out) and every dialog seen meanwhile."""

    def __init__(self, codes, dialogs):
        self.codes = codes
        self.dialogs = dialogs

    def __repr__(self):
        return "TogetherResult(codes=%r, dialogs=%r)" % (self.codes, self.dialogs)


def run_together(prefix, programs, timeout=120, poll=None):
    """Starts several programs (Windows paths) back to back in the
    background under the dialog watcher and waits for all of them; `poll`,
    when given, is called over and over while any of them runs."""
    n = next(_counter)
    timeout_ms = str(int((timeout + 60) * 1000))
    dialog_job = _start_watcher(prefix, "az_dialogs.exe", "dialogs-%d" % n, timeout_ms)
    jobs = [prefix.start(program) for program in programs]
    deadline = time.monotonic() + timeout
    while any(job.alive() for job in jobs) and time.monotonic() < deadline:
        if poll is not None:
            poll()
        time.sleep(0.01)
    codes = [job.wait(0) for job in jobs]
    _, sections = _finish_watcher(prefix, *dialog_job)
    return TogetherResult(codes, [Dialog(s) for s in sections])


class Machine:
    """Facts about the prefix's Windows, as a program inside it sees them."""

    def __init__(self, prefix):
        result = "C:\\azwork\\observe\\probe.txt"
        prefix.run(prefix.helper("az_probe.exe"), [result], timeout=60)
        top, _ = read_record(prefix.host(result))
        self.code_page = int(top["acp"])
        self.temp = unhex(top["temp"]).decode("cp1252")
        self.windows = unhex(top["windows"]).decode("cp1252")
        self.screen = (int(top["screen_cx"]), int(top["screen_cy"]))

    @property
    def temp_folder(self):
        """The temporary folder without its trailing backslash."""
        return self.temp.rstrip("\\")


def wait_for_window(prefix, class_name, timeout=15):
    """Waits until a top-level window of `class_name` is shown (or the
    timeout passes); returns the WindowSighting."""
    n = next(_counter)
    result = "C:\\azwork\\observe\\wait-%d.txt" % n
    stop = "C:\\azwork\\observe\\wait-%d.stop" % n
    prefix.run(prefix.helper("az_window.exe"),
               [result, stop, int(timeout * 1000), class_name, "until-shown"],
               timeout=timeout + 60)
    return WindowSighting(read_record(prefix.host(result))[0])


class MemoryWatch:
    """A program run in the background while its private memory is sampled
    from /proc: the anonymous resident memory (RssAnon), which leaves out the
    pages of mapped files, the program's own image (and its payload) among
    them. Wine runs a 64-bit program in the process it was started as, and a
    32-bit one in a process of its own: the largest figure among the
    processes of the prefix that run the program is taken."""

    def __init__(self, code, peak_private_kib, samples, timed_out):
        self.code = code
        self.peak_private_kib = peak_private_kib
        self.samples = samples
        self.timed_out = timed_out

    def __repr__(self):
        return "MemoryWatch(code=%r, peak_private_kib=%r, samples=%r)" % (
            self.code, self.peak_private_kib, self.samples)


def _processes_running(prefix, name):
    """The host processes of `prefix` whose command line names `name`: Wine
    starts a 32-bit program in a process of its own, detached from the one
    it was started from."""
    wanted_env = ("WINEPREFIX=%s" % prefix.path).encode()
    wanted = name.lower().encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                if wanted not in f.read().lower():
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if wanted_env not in f.read().split(b"\0"):
                    continue
        except OSError:
            continue
        found.append(int(entry))
    return found


def _private_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def run_watching_memory(prefix, program, args=(), timeout=600, interval=0.02):
    """Runs `program` in `prefix` and samples its private memory until it
    ends; a MemoryWatch."""
    job = prefix.start(program, args)
    name = str(program).replace("/", "\\").rsplit("\\", 1)[-1]
    peak, samples = 0, 0
    deadline = time.monotonic() + timeout
    while job.alive() and time.monotonic() < deadline:
        pids = [job.popen.pid] + _processes_running(prefix, name)
        sizes = [k for k in map(_private_kib, pids) if k is not None]
        if sizes:
            peak = max(peak, max(sizes))
            samples += 1
        time.sleep(interval)
    timed_out = job.alive()
    job.kill()
    return MemoryWatch(job.wait(30), peak, samples, timed_out)
