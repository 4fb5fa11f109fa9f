#ifndef ENGINE_SRC_BROWSER_PAGE_H_
#define ENGINE_SRC_BROWSER_PAGE_H_

#include <functional>

#include <QWebEnginePage>

class QUrl;
class QWebEngineProfile;

// A browser's page. Qt WebEngine hands a link of a scheme it does not load to the desktop's
// handler by itself, with the process's environment and without asking; here such a link goes
// to external_link instead, and only when that returns true does Qt WebEngine go on to start
// the handler.
class BrowserPage : public QWebEnginePage {
    Q_OBJECT

public:
    BrowserPage(QWebEngineProfile *profile, QObject *parent,
                std::function<bool(const QUrl &)> external_link);

    void setConsoleFilter(std::function<bool(const QString &)> filter) {
        console_filter_ = std::move(filter);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    const std::function<bool(const QUrl &)> external_link_;
    std::function<bool(const QString &)> console_filter_;
};

#endif  // ENGINE_SRC_BROWSER_PAGE_H_
