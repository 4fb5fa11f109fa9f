#!/usr/bin/env python3
"""A site's notifications on a desktop session bus of the test's own: the first request of an
origin asks the viewer once, however often the page asks; the answer is remembered across
restarts, and the page reads it from the start; an allowed notification reaches the desktop's
notification service as plain, cut text with the page's picture and the client's icon, the body
escaped only for a service that reads markup in it; a flood reaches the desktop as a trickle;
clicking one brings the window up and reaches the page; closing the window withdraws them, without
waiting long for a service that does not answer. Without a notification service the window's
notice shows the title, as typed."""

import configparser
import glob
import json
import os
import time

from client_case import main, write_settings
from devtools import evaluate
from processes import poll
from session_bus import SessionBusCase
from title_bar_locator import TitleBar

# The page asks a thousand times at once and keeps every answer.
ASK = ("window.vtAnswers = []; for (let i = 0; i < 1000; ++i) "
       "Notification.requestPermission().then((a) => vtAnswers.push(a)); true")
SHOW = ("(() => { const n = new Notification(%s, {body: %s}); window.vtClicks = 0;"
        "n.onclick = () => ++vtClicks; return true; })()")
# With a picture of 200 x 100 red pixels, which reaches the desktop at most 128 pixels wide.
SHOW_WITH_ICON = ("(() => { const c = document.createElement('canvas'); c.width = 200;"
                  "c.height = 100; const g = c.getContext('2d'); g.fillStyle = '#f00';"
                  "g.fillRect(0, 0, 200, 100); const n = new Notification(%s, {body: %s,"
                  "icon: c.toDataURL()}); window.vtClicks = 0; n.onclick = () => ++vtClicks;"
                  "return true; })()")
FLOOD = "for (let i = 0; i < 200; ++i) new Notification('flood ' + i); true"
# An answer kept in an earlier run.
KEPT = "[notifications]\nhttps_live.vantoro.example_443=%s\n"
# The question bubble's buttons, as parts of its width, and their distance from its bottom.
ALLOW_AT, DENY_AT, BUTTONS_FROM_BOTTOM = 0.3, 0.7, 23


class NotificationCase(SessionBusCase):
    window_manager = True
    reads_notices = True

    def questions(self, client=None):
        client = client or self.client
        return [w for w in self.display.visible_windows(client.pid) if w != client.window]

    def answer(self, part):
        question = poll(self.questions, 15, description="the question")
        self.assertEqual(len(self.questions()), 1)
        x, y, width, height = self.display.geometry(question[0])
        self.display.click(int(x + width * part), y + height - BUTTONS_FROM_BOTTOM)
        poll(lambda: not self.questions(), 10, description="the question to go")

    def answers(self, client=None):
        return evaluate(self.page, "vtAnswers")


class AskedOnceShownClicked(NotificationCase):
    def test_1_asked_once_and_remembered(self):
        evaluate(self.page, ASK)
        self.client.notices.wait_for("live.vantoro.example 想要向你发送通知")
        self.answer(ALLOW_AT)
        poll(lambda: len(self.answers()) == 1000, 10, description="every request answered")
        self.assertEqual(set(self.answers()), {"granted"})
        settings = glob.glob(os.path.join(self.client.home, ".config", "*", "*.conf"))
        self.assertEqual(len(settings), 1)
        parser = configparser.ConfigParser()
        parser.read(settings[0])
        self.assertEqual(list(parser["notifications"].values()), ["allow"])

    def test_2_shown_as_plain_cut_text_and_clicked(self):
        body = "<b>粗</b> &amp; " + "长" * 10000 + "\x07\x1b[31m"
        evaluate(self.page, SHOW_WITH_ICON % (json.dumps("Tom & Jerry <3 <i>x</i>\x00"),
                                              json.dumps(body)))
        shown = self.desk.wait_call("Notify", 10)
        name, replaces, icon, title, text, actions, hints = shown["args"][:7]
        # Not installed, the client names its own icon by its path.
        self.assertTrue(os.path.isabs(icon) and os.path.isfile(icon), icon)
        width, height, stride, alpha, bits, channels, pixels = hints["image-data"]
        self.assertEqual([width, height, stride, alpha, bits, channels],
                         [128, 64, 512, True, 8, 4])
        self.assertEqual(pixels[:8], "ff0000ff")
        self.assertEqual(len(pixels), 2 * 128 * 64 * 4)
        # The summary is never markup; this service reads markup in the body.
        self.assertEqual(title, "Tom & Jerry <3 <i>x</i>")
        self.assertTrue(text.startswith("&lt;b&gt;粗&lt;/b&gt; &amp;amp; 长长"), text[:40])
        self.assertLess(len(text), 500)
        self.assertTrue(text.endswith("…"))
        self.assertFalse(any(ord(c) < 32 for c in title + text))
        self.assertIn("default", actions)

        self.display.xdotool("windowminimize", str(self.client.window))
        poll(lambda: self.display.wm_state(self.client.window) == "Iconic", 10,
             description="the window to be minimised")
        self.desk.click(shown["args"][-1])
        poll(lambda: self.display.wm_state(self.client.window) == "Normal", 10,
             description="the window to come up")
        poll(lambda: evaluate(self.page, "vtClicks") == 1, 10,
             description="the click to reach the page")

    def test_3_closing_the_window_withdraws_them(self):
        shown = self.desk.calls("Notify")[-1]["args"][-1]
        self.display.click(*TitleBar(self.client).buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)
        self.assertIn([shown], [c["args"] for c in self.desk.calls("CloseNotification")])

    def test_4_a_later_start_remembers(self):
        requests = len(self.site.requests())
        self.client = self.start_client(extra_env=self.bus.env)
        self.client.wait_window()
        self.page = self.client.main_page()
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, query_contains="page=home",
                                                     start=requests))
        notifies = len(self.desk.calls("Notify"))
        # Granted from the start: a page that checks before it sends does send.
        self.assertEqual(evaluate(self.page, "Notification.permission"), "granted")
        evaluate(self.page, SHOW % (json.dumps("又开播了"), json.dumps("")))
        self.desk.wait_call("Notify", 10, start=notifies)
        self.assertEqual(evaluate(self.page, "Notification.requestPermission()"), "granted")
        self.assertEqual(self.questions(), [])


class RefusedInAnEarlierRun(NotificationCase):
    @classmethod
    def prepare(cls):
        write_settings(os.path.join(cls.scratch, "home"), KEPT % "deny")
        super().prepare()

    def test_the_page_reads_denied_and_is_not_asked(self):
        self.assertEqual(evaluate(self.page, "Notification.permission"), "denied")
        self.assertEqual(evaluate(self.page, "Notification.requestPermission()"), "denied")
        evaluate(self.page, SHOW % (json.dumps("开播了"), json.dumps("")))
        self.assertEqual(self.questions(), [])
        self.assertEqual(self.desk.calls("Notify"), [])


class PlainServiceThatNeverAnswersAClose(NotificationCase):
    """A service without body markup that never answers CloseNotification; allowed before."""

    desk_options = ("--no-body-markup", "--never-close")

    @classmethod
    def prepare(cls):
        write_settings(os.path.join(cls.scratch, "home"), KEPT % "allow")
        super().prepare()

    def test_1_the_body_is_plain_text(self):
        self.assertEqual(evaluate(self.page, "Notification.requestPermission()"), "granted")
        evaluate(self.page, SHOW % (json.dumps("Tom & Jerry <3"), json.dumps("Tom & Jerry <3")))
        shown = self.desk.wait_call("Notify", 10)
        self.assertEqual(shown["args"][3:5], ["Tom & Jerry <3", "Tom & Jerry <3"])

    def test_2_a_flood_reaches_the_desktop_as_a_trickle(self):
        time.sleep(3)
        before = len(self.desk.calls("Notify"))
        evaluate(self.page, FLOOD)
        time.sleep(3)
        # Three at once, then one a second.
        self.assertIn(len(self.desk.calls("Notify")) - before, range(3, 8))
        self.assertEqual(len(self.desk.calls("GetCapabilities")), 1)
        self.assertIn("dropped", self.client.log_text())

    def test_3_closing_does_not_wait_for_the_service(self):
        # Seven unanswered withdrawals: a second each would be seven.
        time.sleep(3)
        evaluate(self.page, FLOOD)
        poll(lambda: len(self.desk.calls("Notify")) == 7, 10, description="seven notifications")
        time.sleep(0.5)
        shown = len(self.desk.calls("Notify"))
        started = time.monotonic()
        self.display.click(*TitleBar(self.client).buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)
        self.assertLess(time.monotonic() - started, 4)
        self.assertEqual(len(self.desk.calls("CloseNotification")), shown)


class WithoutNotificationService(NotificationCase):
    notifications = False

    @classmethod
    def prepare(cls):
        # Allowed in an earlier run, in a file with lines that are no settings at all.
        write_settings(os.path.join(cls.scratch, "home"),
                       "\x00garbage[\n" + KEPT % "allow")
        super().prepare()

    def test_the_notice_shows_the_title(self):
        self.assertEqual(evaluate(self.page, "Notification.requestPermission()"), "granted")
        for title in ("开播了 <b>x</b>", "又开播了"):
            evaluate(self.page, SHOW % (json.dumps(title), json.dumps("")))
            self.client.notices.wait_for(title)
        self.assertEqual(self.client.log_text().count("notifications unavailable"), 1)
        self.assertTrue(self.client.alive())


if __name__ == "__main__":
    main()
