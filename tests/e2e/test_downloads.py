#!/usr/bin/env python3
"""Downloads land complete in the user's download folder under a safe name that takes no existing
file's place; one the server cuts off, or one still running when the client closes, leaves
nothing behind."""

import json
import os
import urllib.parse

from client_case import ClientTest, main
from devtools import evaluate
from processes import poll
import standin

SITE = "https://%s" % standin.SITE_HOST


class Downloads(ClientTest):
    window_manager = True
    reads_notices = True

    @classmethod
    def prepare(cls):
        super().prepare()
        cls.folder = os.path.join(cls.client.home, "Downloads")

    def files(self):
        try:
            return sorted(os.listdir(self.folder))
        except FileNotFoundError:
            return []

    def user_click(self):
        """A click of the user's in the page, seen by the page before the test goes on: a page
        may start a download by itself only once."""
        count = "window.__clicks || 0"
        evaluate(self.page, "if (!window.__clicks) { window.__clicks = 0; document.addEventListener("
                            "'mousedown', () => window.__clicks++, true); } true")
        before = evaluate(self.page, count)
        self.display.click(*self.client.element_centre(self.page, "#banner"))
        poll(lambda: evaluate(self.page, count) > before, 10, description="the page to see a click")

    def click_link(self, href, name=None, by_user=True):
        if by_user:
            self.user_click()
        evaluate(self.page, "(() => { const a = document.createElement('a'); a.href = %s;"
                            " if (%s !== null) a.download = %s; document.body.append(a); a.click();"
                            " a.remove(); return true; })()"
                 % (json.dumps(href), json.dumps(name), json.dumps(name)))

    def attachment(self, name, size, extra=""):
        return "%s/download?name=%s&size=%d%s" % (
            SITE, urllib.parse.quote(name), size, extra)

    def wait_files(self, expected):
        poll(lambda: self.files() == sorted(expected), 15,
             description=lambda: "the download folder to hold %s (now %s)" % (expected, self.files()))

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def test_1_arrives_complete_under_a_free_name(self):
        self.click_link(self.attachment("节目单.txt", 300000))
        self.wait_files(["节目单.txt"])
        self.assertEqual(self.read("节目单.txt"), standin.download_body(300000))
        self.client.notices.wait_for("已下载: 节目单.txt")
        self.click_link(self.attachment("节目单.txt", 1000))
        self.wait_files(["节目单.txt", "节目单 (1).txt"])
        self.assertEqual(self.read("节目单 (1).txt"), standin.download_body(1000))

        # Page-made data arrives too.
        self.click_link("data:text/plain;base64,5Lit5paHIHRleHQ=", "data.txt")
        evaluate(self.page, "window.__blob = URL.createObjectURL(new Blob(['blob 数据'])); true")
        self.click_link(evaluate(self.page, "window.__blob"), "blob.bin")
        self.wait_files(["节目单.txt", "节目单 (1).txt", "data.txt", "blob.bin"])
        self.assertEqual(self.read("data.txt"), "中文 text".encode())
        self.assertEqual(self.read("blob.bin"), "blob 数据".encode())

    def test_2_unsafe_names_stay_in_the_folder(self):
        before = start = set(self.files())
        for name in ["../../.bashrc", "CON", "", "x" * 300 + ".txt", "a\x01b\x7fc\u202e.txt"]:
            self.click_link(self.attachment(name, 10))
            # Arrived: one new file, and no download's own folder (hidden) left.
            poll(lambda: len(set(self.files()) - before) == 1
                 and not [f for f in self.files() if f.startswith(".")], 15,
                 description="the download of %r" % name)
            before = set(self.files())
        added = sorted(set(self.files()) - start)
        self.assertEqual(sorted(added, key=len)[:4],
                         sorted(["bashrc", "_CON", "abc.txt", "download"], key=len))
        long_name = max(added, key=len)
        self.assertLessEqual(len(long_name.encode()), 200)
        self.assertTrue(long_name.endswith(".txt"))
        self.assertFalse(os.path.exists(os.path.join(self.client.home, ".bashrc")))

    def test_3_cut_off_leaves_nothing(self):
        before = self.files()
        self.client.notices.wait_none()
        self.click_link(self.attachment("cut.bin", 400000, "&cut=1&rate=100000"))
        self.client.notices.wait_for("下载失败: cut.bin")
        poll(lambda: self.files() == before, 5,
             description=lambda: "no file left of the download (now %s)" % self.files())

    def test_4_nothing_at_the_final_name_is_overwritten(self):
        # A link placed at a final name while its download runs, and a download named as the
        # other's name plus ".part": every byte lands in the folder, none through the link.
        before = set(self.files())
        outside = os.path.join(self.scratch, "outside.txt")
        self.click_link(self.attachment("clip.txt.part", 100000, "&rate=100000"), "clip.txt.part")
        self.click_link(self.attachment("clip.txt", 300000, "&rate=100000"), "clip.txt")
        poll(lambda: len(set(self.files()) - before) == 2, 10,
             description=lambda: "both downloads to start (now %s)" % self.files())
        os.symlink(outside, os.path.join(self.folder, "clip.txt"))
        self.wait_files(before | {"clip.txt", "clip (1).txt", "clip.txt.part"})
        self.client.notices.wait_for("已下载: clip (1).txt")
        self.assertFalse(os.path.lexists(outside))
        self.assertEqual(self.read("clip (1).txt"), standin.download_body(300000))
        self.assertEqual(self.read("clip.txt.part"), standin.download_body(100000))
        os.remove(os.path.join(self.folder, "clip.txt"))

    def test_5_running_download_ends_with_the_client(self):
        before = self.files()
        start = len(self.site.requests())
        self.click_link(self.attachment("slow.bin", 1000000, "&rate=20000"))
        self.assertIsNotNone(self.site.wait_for_path("/download", 10, start=start,
                                                     query_contains="rate=20000"))
        poll(lambda: self.files() != before, 10, description="the download to start")
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(), 0)
        self.assertEqual(self.files(), before)

    def restart(self, home):
        """A client of its own home, as a user's first start."""
        self.client.stop()
        start = len(self.site.requests())
        self.client = type(self).client = self.start_client(home=home, workdir="work-" + home)
        self.client.wait_window()
        self.page = type(self).page = self.client.main_page()
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=home"))

    def test_6_a_page_by_itself_gets_one_download(self):
        self.restart("home-6")
        self.folder = os.path.join(self.client.home, "Downloads")
        start = len(self.site.requests())
        evaluate(self.page, "(() => { for (let i = 0; i < 20; i++) { const a = document.createElement"
                            "('a'); a.href = %s + i; a.download = 'storm' + i + '.txt';"
                            " document.body.append(a); a.click(); a.remove(); } return true; })()"
                 % json.dumps(self.attachment("storm.txt", 10, "&n=")))
        self.client.notices.wait_for("已拦截网页自动下载: storm")
        # The engine passes on ten of them.
        poll(lambda: len([r for r in self.site.requests()[start:] if "storm" in r["query"]]) >= 10,
             15, description="the page's requests")
        # Decided after the page's own: a download the user asked for still arrives.
        self.click_link(self.attachment("asked.txt", 10))
        self.client.notices.wait_for("已下载: asked.txt")
        self.assertEqual(len(self.files()), 2, self.files())
        self.assertIn("asked.txt", self.files())

    def test_7_never_into_the_data_folder(self):
        # The user's folder settings name a folder that clearing the cache would remove.
        home = os.path.join(self.scratch, "home-7")
        inside = os.path.join(home, ".local", "share", "VantoroClient", "Downloads")
        os.makedirs(os.path.join(home, ".config"))
        with open(os.path.join(home, ".config", "user-dirs.dirs"), "w") as dirs:
            dirs.write('XDG_DOWNLOAD_DIR="%s"\n' % inside)
        self.restart("home-7")
        self.click_link(self.attachment("kept.txt", 10))
        self.client.notices.wait_for("下载失败: kept.txt")
        self.assertFalse(os.path.exists(os.path.join(inside, "kept.txt")))


if __name__ == "__main__":
    main()
