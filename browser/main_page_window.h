#ifndef BROWSER_MAIN_PAGE_WINDOW_H_
#define BROWSER_MAIN_PAGE_WINDOW_H_

#include <functional>
#include <memory>

#include "browser/external_links.h"
#include "browser/notification_permissions.h"
#include "browser/page_window.h"

class QObject;
class QString;
class QWidget;

// The window of the site's own page: besides a page's window, the viewer's commands the handler
// passes on, the questions it asks the viewer, and the pop-ups' windows. Called on the window's
// thread, except object().
class MainPageWindow : public PageWindow {
public:
    // The window as the target of calls queued from the engine's side: they are dropped once
    // the window is gone.
    virtual QObject *object() = 0;

    // The window's browser is there; the handler hands it out as its main browser.
    virtual void browserCreated() = 0;

    // The viewer's full screen (F11), and whether it is on.
    virtual void toggleWindowFullscreen() = 0;
    virtual void leaveWindowFullscreen() = 0;
    virtual bool viewerFullscreen() const = 0;
    // The page's video in the small window on top, and whether the page has it there: the page
    // put it there or took it out (the window follows), or the viewer asks for it.
    virtual void showPagePictureInPicture(bool active) = 0;
    virtual void openSmallPlayer() = 0;
    // Reloads the page, from the network alone if ignoreCache, and counts a refresh.
    virtual void reloadPage(bool ignoreCache) = 0;
    // One step larger (1), smaller (-1), or back to 100 % (0).
    virtual void zoomPage(int direction) = 0;
    // Shows the window, restored if minimised, above the others and with the focus.
    virtual void bringToFront() = 0;

    // Asks the viewer whether host may send notifications.
    virtual void askNotificationPermission(
        const QString &host, std::function<void(NotificationPermissions::Answer)> answer) = 0;
    // Asks the viewer whether url may go to the desktop's handler.
    virtual void askExternalLink(const QString &url,
                                 std::function<void(ExternalLinks::Answer)> answer) = 0;

    // The page window of a pop-up's own top-level window popup.
    virtual std::unique_ptr<PageWindow> popupWindow(QWidget *popup) = 0;
};

#endif  // BROWSER_MAIN_PAGE_WINDOW_H_
