#!/usr/bin/env python3
"""What the page may do: failed loads show the client's own error page, links that ask for a new
tab or window open in place, a scripted pop-up with window features gets a window of its own,
the context menu offers only the developer tools, and the program still ends cleanly with the
pop-up and the developer tools open. The debugging port answers the viewer's own processes only.
A link only a desktop's handler could open starts nothing before the viewer says so, once per
scheme, and the handler gets the environment the client was started with. The last scenario closes
the client."""

import json
import os
import subprocess

from client_case import ClientTest, main
from devtools import DEBUG_PORT, debug_pages, evaluate, navigate
from display import SCREEN
from processes import poll, refusing_socket
import standin

HOME_URL = "https://%s/?union=vtclient" % standin.SITE_HOST


# Records each start, its arguments and environment, as one JSON line.
STANDIN_HANDLER = """#!/usr/bin/python3
import json, os, sys
with open(%r, "a") as f:
    f.write(json.dumps({"argv": sys.argv[1:], "env": dict(os.environ)}) + "\\n")
"""
# The question bubble's buttons, as parts of its width, and their distance from its bottom.
OPEN_AT, CANCEL_AT, BUTTONS_FROM_BOTTOM = 0.3, 0.7, 23


class ExternalLinks(ClientTest):
    window_manager = True
    reads_notices = True

    @classmethod
    def prepare(cls):
        handlers = os.path.join(cls.scratch, "handlers")
        os.makedirs(handlers)
        cls.started_log = os.path.join(cls.scratch, "started.log")
        with open(os.path.join(handlers, "xdg-open"), "w") as f:
            f.write(STANDIN_HANDLER % cls.started_log)
        os.chmod(os.path.join(handlers, "xdg-open"), 0o755)
        cls.client = cls.start_client(
            extra_env={"PATH": handlers + os.pathsep + os.environ["PATH"]})
        cls.client.wait_window()
        cls.page = cls.client.main_page()
        if cls.site.wait_for_path("/loaded", 20, query_contains="page=home") is None:
            raise AssertionError("the home page did not finish loading")

    def started(self):
        try:
            with open(self.started_log) as f:
                return [json.loads(line) for line in f]
        except FileNotFoundError:
            return []

    def questions(self):
        return [w for w in self.display.visible_windows(self.client.pid)
                if w != self.client.window]

    def click_link(self, url):
        evaluate(self.page, "(() => { const a = document.createElement('a'); a.id = 'vtext';"
                            "a.href = %s; a.textContent = 'external';"
                            "a.style = 'position:fixed;left:300px;top:300px;font-size:40px';"
                            "document.getElementById('vtext')?.remove();"
                            "document.body.append(a); return true; })()" % json.dumps(url))
        self.display.click(*self.client.element_centre(self.page, "#vtext"))

    def answer(self, part):
        question = poll(self.questions, 15, description="the question")
        self.assertEqual(len(question), 1)
        x, y, width, height = self.display.geometry(question[0])
        self.display.click(int(x + width * part), y + height - BUTTONS_FROM_BOTTOM)
        poll(lambda: not self.questions(), 10, description="the question to go")

    def test_asked_once_per_scheme_and_opened_with_the_start_environment(self):
        self.click_link("vantoro-test:xyz")
        self.client.notices.wait_for("打开外部应用？")
        self.assertEqual(self.started(), [])
        self.answer(OPEN_AT)
        poll(self.started, 10, description="the desktop's handler to start")
        self.assertEqual([s["argv"] for s in self.started()], [["vantoro-test:xyz"]])
        env = self.started()[0]["env"]
        self.assertEqual([n for n in env if n.startswith("QTWEBENGINE")], [])
        self.assertIn(env.get("DBUS_SESSION_BUS_ADDRESS"),
                      (None, self.accessibility.env().get("DBUS_SESSION_BUS_ADDRESS")))
        data = os.path.realpath(self.client.data_folder)
        for name in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
            self.assertFalse(os.path.realpath(env.get(name, "/")).startswith(data), name)
        self.assertEqual(self.client.notices.texts(), [])
        self.assertEqual(self.client.page_by_id(self.page["id"])["url"], HOME_URL)

        # The answer holds for the scheme: the next link opens without a question.
        self.click_link("vantoro-test:again")
        poll(lambda: len(self.started()) == 2, 10, description="the second start")
        self.assertEqual(self.started()[1]["argv"], ["vantoro-test:again"])
        self.assertEqual(self.questions(), [])

        # Refused once, a scheme is neither opened nor asked about again.
        self.click_link("vantoro-other:abc")
        self.client.notices.wait_for("vantoro-other:abc")
        self.answer(CANCEL_AT)
        self.click_link("vantoro-other:abc")
        self.assertRaises(AssertionError, poll, self.questions, 3)
        self.assertEqual(len(self.started()), 2)
        self.assertTrue(self.client.alive())


class PagePolicy(ClientTest):
    def current(self):
        return self.client.page_by_id(self.page["id"]) or {}

    def go_home(self):
        navigate(self.page, HOME_URL)
        self.assertEqual(self.current().get("url"), HOME_URL)

    def body_text(self):
        try:
            return evaluate(self.page, "document.body ? document.body.innerText : ''")
        except (RuntimeError, OSError):
            return ""

    def test_1_failed_subframe_leaves_page(self):
        # The iframe points at a host that never resolves; the page itself stays.
        self.assertEqual(self.current().get("url"), HOME_URL)
        self.assertEqual(evaluate(self.page, "document.title"), "Vantoro Live")

    def test_2_error_pages(self):
        refusing = refusing_socket()
        self.addCleanup(refusing.close)
        cases = [("https://nowhere.vantoro.invalid/", "ERR_NAME_NOT_RESOLVED", "(-105)"),
                 ("https://127.0.0.1:%d/" % refusing.getsockname()[1], "ERR_CONNECTION_REFUSED",
                  "(-102)")]
        for url, error, code in cases:
            with self.subTest(url=url):
                evaluate(self.page, "location.href = %r; true" % url)
                text = poll(lambda: (lambda t: t if "Failed to load URL " + url in t else None)(
                    self.body_text()), 15, description="the error page for " + url)
                self.assertIn("net::" + error, text)
                self.assertIn(code, text)
                self.assertTrue(self.current().get("url", "").startswith(
                    "data:text/html;base64,"), self.current().get("url"))
        self.go_home()

    def assert_no_new_window(self):
        self.assertEqual(self.client.other_windows(), [])
        ours = [p for p in debug_pages() if standin.SITE_HOST in p["url"]]
        self.assertEqual(len(ours), 1, ours)

    def test_3_new_tab_links_open_in_place(self):
        for selector, expected, button in [("#blank", "/second?via=blank", 1),
                                           ("#blankwin", "/second?via=window", 1),
                                           ("#second", "/second", 2)]:
            with self.subTest(link=selector, button=button):
                self.go_home()
                self.display.click(*self.client.element_centre(self.page, selector),
                                   button=button)
                poll(lambda: self.current().get("url", "").endswith(expected), 10,
                     description="%s to load in place" % expected)
                # A new window's page would have been made before the load in place began.
                self.assert_no_new_window()
        self.go_home()

    def test_3b_debugging_port_for_its_owner_only(self):
        if os.geteuid() != 0:
            self.skipTest("needs root to connect as another user")
        self.assertTrue(debug_pages())
        other = subprocess.run(
            ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
             "curl", "-s", "-m", "5", "http://127.0.0.1:%d/json" % DEBUG_PORT],
            capture_output=True, check=False)
        self.assertEqual(other.stdout, b"")
        self.assertNotEqual(other.returncode, 0)

    def test_4_popup_and_devtools_then_close(self):
        # A scripted pop-up gets a window of its own; the page stays.
        self.go_home()
        self.display.click(*self.client.element_centre(self.page, "#popup"))

        poll(self.client.other_windows, 10, description="a pop-up window")
        poll(lambda: any(p["url"].endswith("/popup") for p in debug_pages()), 10,
             description="the pop-up page")
        self.assertEqual(self.current().get("url"), HOME_URL)

        # The context menu, on a spot of plain page away from links and fields, has one item:
        # back, forward, print and view source are gone. It opens the developer tools.
        ox, oy = self.client.web_origin()
        before = set(self.display.popups(self.client.pid))
        self.display.click(ox + 600, oy + 420, button=3)
        menu = poll(lambda: (list(set(self.display.popups(self.client.pid)) - before) or
                             [None])[0], 5, description="the context menu")
        mx, my, mw, mh = self.display.geometry(menu)
        self.assertLess(mh, 45, "menu of %dx%d is taller than one item" % (mw, mh))
        self.display.click(mx + mw // 2, my + mh // 2)

        def devtools():
            out = self.display.run(["xdotool", "search", "--onlyvisible", "--name", "^DevTools$"],
                                   check=False)
            return out.split()
        poll(devtools, 15, description="a window titled DevTools")
        self.assertEqual(self.current().get("url"), HOME_URL)

        # With both open the close button still ends the program. No window manager here: the
        # other windows are moved off the title bar, which then draws its buttons again.
        for window in self.client.other_windows():
            self.display.xdotool("windowmove", "--sync", window, 0, SCREEN[1] - 40)
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(20), 0)

if __name__ == "__main__":
    main()
