#ifndef BROWSER_PAGE_WINDOW_H_
#define BROWSER_PAGE_WINDOW_H_

class QString;

// What the page handler asks of any window that shows a page, the main window's or a pop-up's.
// Called on the window's thread.
class PageWindow {
public:
    virtual ~PageWindow() = default;

    // A short notice where this window shows them, gone by itself.
    virtual void showNotice(const QString &text) = 0;
    // The page entered or left full screen.
    virtual void showPageFullscreen(bool fullscreen) = 0;
    // The page's zoom is now factor.
    virtual void pageZoomChanged(double factor) = 0;
};

#endif  // BROWSER_PAGE_WINDOW_H_
