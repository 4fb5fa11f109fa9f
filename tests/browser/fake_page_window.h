#ifndef TESTS_BROWSER_FAKE_PAGE_WINDOW_H_
#define TESTS_BROWSER_FAKE_PAGE_WINDOW_H_

#include <QObject>
#include <QString>
#include <QStringList>

#include "browser/main_page_window.h"

// The main window as the handler sees it, recording what it is told. It has no pop-ups: the
// stand-in browsers have no windows the handler could find.
class FakePageWindow : public MainPageWindow {
public:
    QStringList notices;
    int browsersCreated = 0;
    QList<double> zooms;

    void showNotice(const QString &text) override { notices << text; }
    void showPageFullscreen(bool) override {}
    void pageZoomChanged(double factor) override { zooms << factor; }
    QObject *object() override { return &object_; }
    void browserCreated() override { ++browsersCreated; }
    void toggleWindowFullscreen() override {}
    void leaveWindowFullscreen() override {}
    void showPagePictureInPicture(bool) override {}
    void openSmallPlayer() override {}
    bool viewerFullscreen() const override { return false; }
    void reloadPage(bool) override {}
    void zoomPage(int) override {}
    void bringToFront() override {}
    void askNotificationPermission(
        const QString &, std::function<void(NotificationPermissions::Answer)> answer) override {
        answer(NotificationPermissions::Answer::kNone);
    }
    void askExternalLink(const QString &,
                         std::function<void(ExternalLinks::Answer)> answer) override {
        answer(ExternalLinks::Answer::kNone);
    }
    std::unique_ptr<PageWindow> popupWindow(QWidget *) override { return nullptr; }

private:
    QObject object_;
};

#endif  // TESTS_BROWSER_FAKE_PAGE_WINDOW_H_
