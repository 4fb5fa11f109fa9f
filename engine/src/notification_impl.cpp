#include "src/notification_impl.h"

#include <QImage>
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

bool NotificationImpl::GetIcon(int max_side, int &width, int &height,
                               std::vector<unsigned char> &rgba) {
    QImage icon = notification_->icon();
    if (icon.isNull()) {
        return false;
    }
    if (icon.width() > max_side || icon.height() > max_side) {
        icon = icon.scaled(max_side, max_side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    icon = icon.convertToFormat(QImage::Format_RGBA8888);
    width = icon.width();
    height = icon.height();
    rgba.clear();
    rgba.reserve(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const auto *row = icon.constScanLine(y);
        rgba.insert(rgba.end(), row, row + static_cast<std::size_t>(width) * 4);
    }
    return true;
}

void NotificationImpl::Click() {
    notification_->click();
}

void NotificationImpl::Close() {
    notification_->close();
}
