#include "src/browser_page.h"

#include <QUrl>

namespace {

// The schemes the engine loads itself; a navigation to any other leaves the engine.
const char *const kEngineSchemes[] = {"http", "https",    "ws",     "wss",         "file",
                                      "data", "blob",     "about",  "filesystem",  "javascript",
                                      "qrc",  "devtools", "chrome", "view-source", "chrome-error"};

bool engineLoads(const QString &scheme) {
    for (const char *known : kEngineSchemes) {
        if (scheme == QLatin1String(known)) {
            return true;
        }
    }
    return false;
}

}  // namespace

BrowserPage::BrowserPage(QWebEngineProfile *profile, QObject *parent,
                         std::function<bool(const QUrl &)> external_link)
    : QWebEnginePage(profile, parent), external_link_(std::move(external_link)) {}

bool BrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) {
    if (engineLoads(url.scheme())) {
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    return external_link_ && external_link_(url);
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString &message, int lineNumber,
                                           const QString &sourceID) {
    if (console_filter_ && console_filter_(message)) {
        return;
    }
    QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}
