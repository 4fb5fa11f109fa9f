#ifndef UI_POPUP_WINDOW_H_
#define UI_POPUP_WINDOW_H_

#include <QPointer>

#include "browser/page_window.h"

class QWidget;
class TitleBar;

// A pop-up's own top-level window as the page handler sees it: it has no title bar, so its
// notices show at its top, or at its screen's in full screen, in the main window's bubble. The
// engine switches its full screen itself; its zoom is not remembered.
class PopupWindow : public PageWindow {
public:
    PopupWindow(QWidget *popup, TitleBar *bubble);

    void showNotice(const QString &text) override;
    void showPageFullscreen(bool fullscreen) override;
    void pageZoomChanged(double factor) override;

private:
    QPointer<QWidget> popup_;
    TitleBar *bubble_;
};

#endif  // UI_POPUP_WINDOW_H_
