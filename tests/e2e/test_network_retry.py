#!/usr/bin/env python3
"""A page lost to the network comes back by itself: with the site gone the error page says it
will retry, and the page is back soon after the site returns. A certificate error is not
retried."""

import time

from client_case import ClientTest, main
from devtools import debug_pages, evaluate
from devtools import DEBUG_PORT
from processes import poll, wait_port_free
import standin

SECOND_URL = "https://%s/second" % standin.SITE_HOST
RETRY_LINE = "稍后将自动重新加载"


def error_page_text():
    page = poll(lambda: [p for p in debug_pages() if p["url"].startswith("data:text/html")],
                20, description="the error page")[0]
    # The list may name the error page while the engine's own one is still the document.
    return poll(lambda: evaluate(page, "location.protocol == 'data:' && document.body && "
                                       "document.body.innerText"), 10,
                description="the error page's text")


class NetworkRetry(ClientTest):
    def test_1_page_comes_back_with_the_site(self):
        port = self.site.port
        self.site.stop()
        evaluate(self.page, "location.href = %r; true" % SECOND_URL)
        text = error_page_text()
        self.assertIn("Failed to load URL %s with error" % SECOND_URL, text)
        self.assertIn("%s %s" % (RETRY_LINE, SECOND_URL), text)

        # A few retries fail while the site is away.
        time.sleep(3)
        site = standin.Site(port=port)
        type(self).site = site
        self.addClassCleanup(site.stop)
        back = time.monotonic()
        self.assertIsNotNone(site.wait_for_path("/loaded", 40, query_contains="page=second"))
        # The next step of the back-off: at most 8 s after the failures so far.
        self.assertLess(time.monotonic() - back, 10)
        poll(lambda: [p for p in debug_pages() if p["url"] == SECOND_URL], 10,
             description="the page on the debugging port")

    def test_2_certificate_error_is_not_retried(self):
        self.client.stop()
        wait_port_free(DEBUG_PORT, 60)
        switches = standin.engine_switches
        # Without the switch that accepts the stand-in's certificate.
        standin.engine_switches = lambda site: ["--host-resolver-rules=" + site.resolver_rule()]
        try:
            client = self.start_client(home="home-2", workdir="work-2")
        finally:
            standin.engine_switches = switches
        client.wait_window()
        text = error_page_text()
        self.assertIn("Failed to load URL https://%s/" % standin.SITE_HOST, text)
        self.assertIn("(-20", text)
        self.assertNotIn(RETRY_LINE, text)
        client.stop()


if __name__ == "__main__":
    main()
