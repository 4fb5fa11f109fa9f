#include "src/notification_impl.h"

#include <QWebEngineNotification>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "src/browser_impl.h"

namespace {

CefString fromQString(const QString &text) {
    return CefString(text.toStdU16String());
}

// The open browser whose page shows origin, else the oldest one still open.
CefRefPtr<BrowserImpl> browserShowing(const QUrl &origin) {
    CefRefPtr<BrowserImpl> oldest;
    for (const CefRefPtr<BrowserImpl> &browser : BrowserImpl::OpenBrowsers()) {
        QWebEnginePage *page = browser->page();
        if (!page) {
            continue;
        }
        const QUrl url = page->url();
        if (url.scheme() == origin.scheme() && url.host() == origin.host() &&
            url.port() == origin.port()) {
            return browser;
        }
        if (!oldest) {
            oldest = browser;
        }
    }
    return oldest;
}

}  // namespace

void NotificationImpl::Watch(QWebEngineProfile *profile) {
    profile->setNotificationPresenter(&NotificationImpl::Present);
}

void NotificationImpl::Present(std::unique_ptr<QWebEngineNotification> notification) {
    CefRefPtr<BrowserImpl> browser = browserShowing(notification->origin());
    CefRefPtr<CefClient> client = browser ? browser->GetClient() : nullptr;
    CefRefPtr<CefNotificationHandler> handler = client ? client->GetNotificationHandler() : nullptr;
    if (!handler) {
        return;
    }
    QWebEngineNotification *source = notification.get();
    CefRefPtr<NotificationImpl> presented(new NotificationImpl(std::move(notification)));
    // The connection ends with the notification, which the presented object owns.
    QObject::connect(source, &QWebEngineNotification::closed, source,
                     [handler, browser, raw = presented.get()] {
                         handler->OnNotificationClosed(browser.get(), raw);
                     });
    source->show();
    handler->OnShowNotification(browser.get(), presented.get());
}

NotificationImpl::NotificationImpl(std::unique_ptr<QWebEngineNotification> notification)
    : notification_(std::move(notification)) {}

NotificationImpl::~NotificationImpl() = default;

CefString NotificationImpl::GetTitle() {
    return fromQString(notification_->title());
}

CefString NotificationImpl::GetBody() {
    return fromQString(notification_->message());
}

CefString NotificationImpl::GetOrigin() {
    return fromQString(notification_->origin().toString());
}

CefString NotificationImpl::GetTag() {
    return fromQString(notification_->tag());
}

void NotificationImpl::Click() {
    notification_->click();
}

void NotificationImpl::Close() {
    notification_->close();
}
