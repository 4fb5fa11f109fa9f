// A window of its own showing the developer tools of one page. Like a pop-up it never keeps the
// application running, and it deletes itself when closed.
#ifndef ENGINE_SRC_DEV_TOOLS_WINDOW_H_
#define ENGINE_SRC_DEV_TOOLS_WINDOW_H_

#include <QWebEngineView>

class QWebEnginePage;
class QWebEngineProfile;

class DevToolsWindow : public QWebEngineView {
    Q_OBJECT

public:
    DevToolsWindow(QWebEngineProfile *profile, QWebEnginePage *inspected_page);
};

#endif  // ENGINE_SRC_DEV_TOOLS_WINDOW_H_
