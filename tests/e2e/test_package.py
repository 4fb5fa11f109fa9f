#!/usr/bin/env python3
"""The Debian package: built with CPack from this build, it holds the executable, the menu entry
and its icons and depends on exactly the Qt it was built against; the menu entry's command starts
the packaged client. tools/check-package.sh puts it through Debian's own checks."""

import glob
import os
import re
import shlex
import subprocess

from client_case import ClientTest, main
from title_bar_locator import TitleBar

BUILD_DIR = os.environ.get("VT_BUILD_DIR", "")


def debian_release():
    with open("/etc/os-release") as f:
        fields = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    return fields["VERSION_ID"].strip('"')


class Package(ClientTest):
    @classmethod
    def prepare(cls):
        config = os.path.join(BUILD_DIR, "CPackConfig.cmake")
        if not os.path.isfile(config):
            raise AssertionError("no CPack configuration in %r (VT_BUILD_DIR)" % BUILD_DIR)
        out = os.path.join(cls.scratch, "package")
        subprocess.run(["cpack", "--config", config, "-G", "DEB", "-B", out], check=True,
                       stdout=subprocess.DEVNULL, timeout=300)
        debs = glob.glob(os.path.join(out, "vantoro-client_*.deb"))
        if len(debs) != 1:
            raise AssertionError("expected one package, found %s" % debs)
        cls.deb = debs[0]
        cls.root = os.path.join(cls.scratch, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", self.deb, name], stdout=subprocess.PIPE,
                              text=True, check=True).stdout.strip()

    def desktop_entry(self):
        entries = glob.glob(os.path.join(self.root, "usr", "share", "applications", "*.desktop"))
        self.assertEqual(len(entries), 1, entries)
        values = {}
        with open(entries[0], encoding="utf-8") as f:
            for line in f:
                key, sep, value = line.strip().partition("=")
                if sep and key not in values:
                    values[key] = value
        return values

    def test_contents(self):
        self.assertEqual(self.field("Package"), "vantoro-client")
        # Made for the Debian release it was built on, and named so.
        version = "1.0.3~deb" + debian_release()
        self.assertEqual(self.field("Version"), version)
        self.assertEqual(os.path.basename(self.deb), "vantoro-client_%s_amd64.deb" % version)
        depends = [d.strip() for d in self.field("Depends").split(",")]
        self.assertIn("libqt6webenginewidgets6", " ".join(depends))
        # Tied to exactly the Qt installed here, as the private API it uses demands, by the
        # names this release gives its Qt's ABI.
        for library, virtual in (("libqt6core6", "qt6-base"),
                                 ("libqt6webenginecore6", "qt6-webengine")):
            provides = subprocess.run(
                ["dpkg-query", "-W", "-f=${Provides}\n", library, library + "t64"],
                stdout=subprocess.PIPE, text=True).stdout
            abi = re.search(r"(%s(-private)?-abi \(= [^)]+\))" % virtual, provides)
            self.assertIsNotNone(abi, provides)
            self.assertIn(abi.group(1), depends)
        # A Wayland session gets the native window when the toolkit's plugin is there.
        self.assertEqual(self.field("Recommends"), "qt6-wayland")
        exe = os.path.join(self.root, "usr", "bin", "vantoro-client")
        self.assertTrue(os.access(exe, os.X_OK))
        entry = self.desktop_entry()
        self.assertEqual(entry.get("Type"), "Application")
        icons = os.path.join(self.root, "usr", "share", "icons", "hicolor")
        for size in ("16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"):
            self.assertTrue(os.path.isfile(os.path.join(icons, size, "apps",
                                                        entry["Icon"] + ".png")), size)
        self.assertTrue(os.path.isfile(os.path.join(icons, "scalable", "apps",
                                                    entry["Icon"] + ".svg")))

    def test_menu_entry_starts_client(self):
        command = shlex.split(self.desktop_entry()["Exec"])
        command = [arg for arg in command if not arg.startswith("%")]
        program = command[0]
        # The entry names the installed program; run the packaged copy of it.
        self.assertIn(program, ("vantoro-client", "/usr/bin/vantoro-client"))
        packaged = os.path.join(self.root, "usr", "bin", "vantoro-client")
        client = self.start_client_from(packaged, command[1:])
        client.wait_window()
        client.main_page()
        client.display.click(*TitleBar(client).buttons()["closeButton"])
        self.assertEqual(client.wait_exit(15), 0)

    @classmethod
    def start_client_from(cls, exe, args):
        saved, cls.exe = cls.exe, exe
        try:
            return cls.start_client(extra_args=args)
        finally:
            cls.exe = saved


if __name__ == "__main__":
    main()
