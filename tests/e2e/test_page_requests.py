#!/usr/bin/env python3
"""What a page asks of the user: permission requests are refused at once (notifications too,
once the viewer has refused them to the site), and alert, confirm, prompt and the leave-page
question come up as dialogs of the page's window whose answers reach the page."""

import json
import os
import time

from client_case import ClientTest, main, write_settings
from devtools import evaluate
from processes import poll
import standin

SECOND_URL = "https://%s/second" % standin.SITE_HOST

# All requests at once, each given twice the time its answer may take: "pending" when one has not
# settled by then.
PERMISSION_SCRIPT = """(async () => {
  const settled = (promise) => Promise.race([
    promise.then((value) => 'granted:' + value, (error) => 'refused:' + (error.name || error)),
    new Promise((resolve) => setTimeout(() => resolve('pending'), 6000))]);
  const position = () => new Promise((resolve, reject) => navigator.geolocation
    .getCurrentPosition(resolve, (error) => reject({name: 'code ' + error.code})));
  const names = ['notification', 'geolocation', 'camera', 'microphone', 'screen', 'midi',
                 'clipboard'];
  const answers = await Promise.all([
    settled(Notification.requestPermission()),
    settled(position()),
    settled(navigator.mediaDevices.getUserMedia({video: true})),
    settled(navigator.mediaDevices.getUserMedia({audio: true})),
    settled(navigator.mediaDevices.getDisplayMedia({video: true})),
    settled(navigator.requestMIDIAccess({sysex: true})),
    settled(navigator.clipboard.readText())]);
  return Object.fromEntries(names.map((name, i) => [name, answers[i]]));
})()"""


class PageRequests(ClientTest):
    window_manager = True

    @classmethod
    def prepare(cls):
        write_settings(os.path.join(cls.scratch, "home"),
                       "[notifications]\nhttps_%s_443=deny\n" % standin.SITE_HOST)
        super().prepare()

    def dialog(self):
        """The one window of the client besides its main window, once it is there."""
        def find():
            others = self.client.other_windows()
            return others[0] if len(others) == 1 else None
        return poll(find, 10, description="a dialog")

    def transient_for(self, window):
        out = self.display.run(["xprop", "-id", str(window), "WM_TRANSIENT_FOR"], check=False)
        return int(out.split("#")[-1], 16) if "#" in out else None

    def answer(self, keys, typed=None):
        dialog = self.dialog()
        self.assertEqual(self.transient_for(dialog), self.client.window)
        self.display.xdotool("windowactivate", "--sync", dialog)
        if typed is not None:
            self.display.key("ctrl+a")
            self.display.xdotool("type", typed)
        self.display.key(keys)
        poll(lambda: dialog not in self.display.visible_windows(self.client.pid), 10,
             description="the dialog to close")

    def test_permissions_refused_at_once(self):
        started = time.monotonic()
        answers = evaluate(self.page, PERMISSION_SCRIPT, user_gesture=True)
        self.assertLess(time.monotonic() - started, 3)
        self.assertEqual(evaluate(self.page, "Notification.permission"), "denied")
        self.assertEqual(answers["notification"], "granted:denied")
        self.assertEqual(answers["geolocation"], "refused:code 1")
        for name, answer in answers.items():
            self.assertTrue(answer.startswith("refused:") or name == "notification",
                            json.dumps(answers))

    def test_dialogs_answer_the_page(self):
        cases = [
            ("alert('提醒: 直播即将开始')", "Return", None, None),
            ("confirm('确定离开直播间吗?')", "Return", None, True),
            ("confirm('确定离开直播间吗?')", "Escape", None, False),
            ("prompt('昵称', '小明')", "Return", None, "小明"),
            ("prompt('昵称', '小明')", "Return", "viewer 7", "viewer 7"),
            ("prompt('昵称', '小明')", "Escape", None, None),
        ]
        for script, keys, typed, expected in cases:
            with self.subTest(script=script, keys=keys, typed=typed):
                evaluate(self.page, "window.__answer = 'none';"
                                    "setTimeout(() => { window.__answer = %s; }, 0); true" % script)
                self.answer(keys, typed)
                self.assertEqual(evaluate(self.page, "window.__answer"), expected)

    def test_leave_page_question(self):
        # The question is only asked of a page the user has used.
        evaluate(self.page, "window.onbeforeunload = (e) => { e.preventDefault();"
                            " e.returnValue = ''; }; true")
        self.display.click(*self.client.element_centre(self.page, "#filler"))
        leave = "setTimeout(() => { location.href = %s; }, 0); true" % json.dumps(SECOND_URL)
        evaluate(self.page, leave)
        self.answer("Escape")
        # Still the same page: it asks again, where the second page would not.
        evaluate(self.page, leave)
        self.answer("Return")
        poll(lambda: self.site.wait_for_path("/loaded", 0, query_contains="page=second"), 10,
             description="the second page")


if __name__ == "__main__":
    main()
