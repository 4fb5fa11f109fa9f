// A page's full-screen requests. The engine grants each one (the page has already checked that it
// came from the user), and Escape leaves full screen again. A browser with a window of its own
// (pop-up) switches that window itself and puts it back exactly as it was; for a browser inside
// the program's window the program makes the switch, told through the report.
#ifndef ENGINE_SRC_FULLSCREEN_SWITCH_H_
#define ENGINE_SRC_FULLSCREEN_SWITCH_H_

#include <functional>

#include <QObject>
#include <QPointer>
#include <QRect>

class QShortcut;
class QWebEngineFullScreenRequest;
class QWebEngineView;

class FullscreenSwitch : public QObject {
    Q_OBJECT

public:
    // report gets the new state after every change. The switch belongs to the view.
    FullscreenSwitch(QWebEngineView *view, std::function<void(bool)> report);

    bool active() const { return active_; }

private:
    void onRequest(QWebEngineFullScreenRequest request);
    void change(bool fullscreen);
    void switchOwnWindow(bool fullscreen);

    QWebEngineView *view_;
    std::function<void(bool)> report_;
    bool active_ = false;
    QPointer<QShortcut> escape_;
    // The own window's state before full screen.
    bool was_maximized_ = false;
    QRect geometry_;
};

#endif  // ENGINE_SRC_FULLSCREEN_SWITCH_H_
