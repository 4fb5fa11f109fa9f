// The keys and wheel turns of one page's view that concern the program. Keys reach it twice:
// before the page (the pre-key report may keep a key from the page) and, for a key the page did
// not take, when Qt WebEngine hands it back to the view's parent widget. Ctrl and the wheel over a
// page that does not take the wheel zoom the page inside the engine; the new zoom is kept and
// reported.
#ifndef ENGINE_SRC_PAGE_INPUT_H_
#define ENGINE_SRC_PAGE_INPUT_H_

#include <functional>

#include <QObject>
#include <QPointer>
#include <QTimer>

class QKeyEvent;
class QWebEngineView;

class PageInput : public QObject {
    Q_OBJECT

public:
    struct Reports {
        // Each returns true when the program has handled the key.
        std::function<bool(const QKeyEvent &)> pre_key;
        std::function<bool(const QKeyEvent &)> unhandled_key;
        std::function<void(double zoom_factor)> zoomed;
    };

    // Belongs to the view.
    PageInput(QWebEngineView *view, Reports reports);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchZoom();
    void checkZoom();

    QWebEngineView *view_;
    QPointer<QWidget> parent_;
    Reports reports_;
    // The engine applies a wheel zoom once the renderer has answered for the wheel, without a
    // signal: after a Ctrl+wheel the zoom factor is looked at until it changes or time is up.
    QTimer zoom_check_;
    int zoom_checks_left_ = 0;
    double zoom_before_ = 1.0;
};

#endif  // ENGINE_SRC_PAGE_INPUT_H_
