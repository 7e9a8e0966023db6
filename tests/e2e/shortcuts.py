"""Shortcut (.lnk) files read back by an independent reader: lnkinfo from
liblnk-utils."""

import re
import subprocess


class Shortcut:
    """The properties of one .lnk file that the installer sets."""

    def __init__(self, text):
        self.text = text
        self.flags = set()
        self.fields = {}
        section = None
        for line in text.split("\n"):
            if line and not line.startswith("\t"):
                section = line.rstrip(":")
                continue
            if section == "Windows Shortcut information" and line.startswith("\t"):
                self.flags.add(line.strip())
                continue
            if section != "Link information":
                continue
            m = re.match(r"^\t([^\t]+?)\t+: (.*)$", line)
            if m:
                self.fields[m.group(1)] = m.group(2)
            else:
                m = re.match(r"^\t([^\t]+?)\t+:$", line)
                if m:
                    self.fields[m.group(1)] = ""

    @property
    def target(self):
        return self.fields.get("Local path")

    @property
    def description(self):
        return self.fields.get("Description") if "Contains a description string" in self.flags \
            else None

    @property
    def arguments(self):
        """The argument string exactly (a leading blank kept), None if unset."""
        if "Contains a command line arguments string" not in self.flags:
            return None
        return self.fields.get("Command line arguments")

    @property
    def icon_location(self):
        if "Contains an icon location string" not in self.flags:
            return None
        return self.fields.get("Icon location")

    @property
    def icon_index(self):
        return int(self.fields.get("Icon index", "0"))

    @property
    def working_directory(self):
        if "Contains a working directory string" not in self.flags:
            return None
        return self.fields.get("Working directory")

    def __repr__(self):
        return "Shortcut(target=%r, description=%r, arguments=%r, icon=%r)" % (
            self.target, self.description, self.arguments, self.icon_location)


def read_shortcut(path):
    """Runs lnkinfo on a .lnk file; raises when it cannot read it."""
    done = subprocess.run(["lnkinfo", str(path)], capture_output=True, timeout=60)
    if done.returncode != 0:
        raise AssertionError("lnkinfo cannot read %s: %s" % (
            path, done.stderr.decode("utf-8", "replace")))
    return Shortcut(done.stdout.decode("utf-8", "replace"))
