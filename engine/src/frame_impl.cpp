#include "src/frame_impl.h"

#include <QString>
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
    if (QWebEnginePage *page = browser_->page()) {
        page->load(QUrl(toQString(url)));
    }
}

void FrameImpl::ExecuteJavaScript(const CefString &code, const CefString &, int) {
    browser_->RunJavaScript(toQString(code));
}

CefString FrameImpl::GetURL() {
    QWebEnginePage *page = browser_->page();
    return page ? CefString(page->url().toString().toStdU16String()) : CefString();
}
