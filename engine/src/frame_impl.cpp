#include "src/frame_impl.h"

#include <QString>
#include <QTimer>
#include <QUrl>

namespace {

QString toQString(const CefString &text) {
    return QString::fromStdU16String(text.ToString16());
}

}  // namespace

void FrameImpl::Delete() {
    browser_->RunJavaScript(QStringLiteral("document.execCommand('delete')"));
}

void FrameImpl::LoadURL(const CefString &url) {
    QWebEnginePage *page = browser_->page();
    if (!page) {
        return;
    }
    // Clients load from inside the engine's callbacks (a failed load, a pop-up request), which
    // run inside the page's own signals; the navigation starts once those have returned.
    const QUrl target(toQString(url));
    CefRefPtr<BrowserImpl> browser = browser_;
    QTimer::singleShot(0, page, [browser, target] {
        browser->Navigate([target](QWebEnginePage *p) { p->load(target); });
    });
}

void FrameImpl::ExecuteJavaScript(const CefString &code, const CefString &, int) {
    browser_->RunJavaScript(toQString(code));
}

CefString FrameImpl::GetURL() {
    QWebEnginePage *page = browser_->page();
    return page ? CefString(page->url().toString().toStdU16String()) : CefString();
}
