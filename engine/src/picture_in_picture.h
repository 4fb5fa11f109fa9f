// The page's picture-in-picture. Qt WebEngine has none of its own and rejects
// requestPictureInPicture(), so a script put into every main-frame document before the page's own
// scripts answers it: with the viewer's click (as browsers require) the video is laid over the
// whole page, the page gets the events a browser sends, and the program hears of it through the
// report, which then shows the page in a small window of its own. The script and the engine speak
// through a token the page cannot see: console lines from the script, DOM events of that name from
// an isolated world to it.
#ifndef ENGINE_SRC_PICTURE_IN_PICTURE_H_
#define ENGINE_SRC_PICTURE_IN_PICTURE_H_

#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

class BrowserPage;

class PictureInPicture : public QObject {
    Q_OBJECT

public:
    // report gets each settled change, at most one per frame. Belongs to the page.
    PictureInPicture(BrowserPage *page, std::function<void(bool)> report);

    // The program's own request: the page's playing (else largest) video goes into the small
    // window, or leaves it. Leaving holds at once, whatever the page does; nothing is reported for
    // it, as the program asked.
    void enter();
    void leave();

    // A page that enters and leaves as fast as it can changes the window once per this at most.
    static constexpr int kFrameMs = 16;

private:
    // Handles the script's line; false for any other console line.
    bool onConsoleLine(const QString &line);
    void want(bool active);
    void settle();
    void tellScript(const char *what);

    BrowserPage *page_;
    std::function<void(bool)> report_;
    const QString token_;
    QTimer frame_;
    bool wanted_ = false;
    bool reported_ = false;
};

#endif  // ENGINE_SRC_PICTURE_IN_PICTURE_H_
