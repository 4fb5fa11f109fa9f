"""The main window's form geometry, and its title bar's buttons found by what the bar draws."""

from processes import poll

# Layout margins, title bar height and default size of the main window.
MARGIN = 9
TITLE_HEIGHT = 40
DEFAULT_SIZE = (1080, 610)


class TitleBar:
    """Screen positions of the title bar's buttons, found on the screen.

    The three window buttons sit at the bar's right end; the three page buttons follow the title
    image and the version text, whose width depends on the font. Both groups are located by what
    the bar draws."""

    def __init__(self, client):
        self.client = client

    def rect(self):
        x, y, w, _ = self.client.geometry()
        return x + MARGIN, y + MARGIN, w - 2 * MARGIN, TITLE_HEIGHT

    def centre_y(self):
        return self.rect()[1] + TITLE_HEIGHT // 2

    def empty_spot(self):
        x, y, w, h = self.rect()
        return x + w // 2, y + h // 2

    def _button_columns(self):
        """Column ranges (title-bar x) where something other than the bar's background shows."""
        x, y, w, h = self.rect()
        band_top = y + 6
        band_height = 28
        rgb = self.client.display.pixels(x, band_top, w, band_height)
        background = rgb[(band_height // 2 * w + w // 2) * 3:(band_height // 2 * w + w // 2) * 3 + 3]
        occupied = []
        for col in range(w):
            hit = False
            for row in range(band_height):
                i = (row * w + col) * 3
                if abs(rgb[i] - background[0]) + abs(rgb[i + 1] - background[1]) + \
                        abs(rgb[i + 2] - background[2]) > 30:
                    hit = True
                    break
            occupied.append(hit)
        return occupied

    def _drawn_runs(self):
        """(left, right) column ranges of what is drawn on the bar, gaps under 6 pixels bridged:
        the characters of a text make one run, each button's glyph one of its own."""
        runs = []
        for col, hit in enumerate(self._button_columns()):
            if not hit:
                continue
            if runs and col - runs[-1][1] < 6:
                runs[-1][1] = col
            else:
                runs.append([col, col])
        return runs

    def buttons(self):
        """Centre (screen x, y) of each button by object name.

        Every button's glyph is drawn centred in it. The window buttons are the last three runs
        of the bar; the page buttons the last three of its left half, after the title image and
        the version text (whose width depends on the font)."""
        x, _, w, _ = self.rect()
        cy = self.centre_y()
        found = []

        def groups():
            # A window just restored or raised may not have been drawn again yet.
            runs = self._drawn_runs()
            found[:] = [runs]
            right = [r for r in runs if r[0] >= w // 2][-3:]
            left = [r for r in runs if r[1] < w // 2][-3:]
            return (right, left) if len(right) == 3 and len(left) >= 3 else None
        try:
            right, left = poll(groups, 5, interval=0.2, description="the title bar's buttons")
        except AssertionError:
            raise AssertionError("title bar buttons not found in %s" % found[0]) from None
        names = ("minimizeButton", "maximizeButton", "closeButton",
                 "returnhomeButton", "clearcookieButton", "refreshButton")
        return {name: (x + (a + b) // 2, cy) for name, (a, b) in zip(names, right + left)}
