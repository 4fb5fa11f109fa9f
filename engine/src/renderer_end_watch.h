// Dismisses the engine's modal dialogs of a page (alert, confirm, prompt, file choice) as soon as
// the page's renderer ends. The engine reports the end only once such a dialog has closed, as the
// dialog runs its own loop; until then the page is gone and every load of it waits behind the
// dialog.
#ifndef ENGINE_SRC_RENDERER_END_WATCH_H_
#define ENGINE_SRC_RENDERER_END_WATCH_H_

#include <QObject>

class QSocketNotifier;
class QWebEngineView;

class RendererEndWatch : public QObject {
    Q_OBJECT

public:
    // The watch belongs to the view.
    explicit RendererEndWatch(QWebEngineView *view);
    ~RendererEndWatch() override;

private:
    void watch(qint64 pid);
    void stop();
    void dismissDialogs();

    QWebEngineView *view_;
    QSocketNotifier *notifier_ = nullptr;
    qint64 pid_ = 0;
    int handle_ = -1;
};

#endif  // ENGINE_SRC_RENDERER_END_WATCH_H_
