#include "browser/notification_presenter.h"

#include <cstdio>
#include <string>

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>

#include "paths/client_paths.h"
#include "platform/platform.h"

namespace {

// Enough for a line of title and a few lines of body in any desktop's bubble.
constexpr int kTitleLength = 100;
constexpr int kBodyLength = 400;

const char kApplicationName[] = "Vantoro Client";
// The menu entry's name, which is also its icon's.
const char kDesktopEntry[] = "vantoro-client";
// Big enough for any desktop's bubble; a page's picture of any size is scaled down to it.
constexpr int kIconSide = 128;
// At close the service gets this long in all to take the withdrawals.
constexpr int kWithdrawDeadlineMs = 1000;

QString toQString(const CefString &text) {
    return QString::fromStdU16String(text.ToString16());
}

std::string utf8(const QString &text) {
    return text.toUtf8().toStdString();
}

// The program's icon as the desktop finds it: the installed theme icon by its name; for a build
// that is not installed, a copy of the built-in icon in the data folder by its path.
std::string findProgramIcon() {
    if (QIcon::hasThemeIcon(QLatin1String(kDesktopEntry))) {
        return kDesktopEntry;
    }
    const QString folder = ClientPaths::dataFolder();
    const QString path = folder + QStringLiteral("/notification-icon.png");
    if (!QFile::exists(path)) {
        QDir().mkpath(folder);
        QImage(QStringLiteral(":/VantoroClient/images/VT48px.ico")).save(path, "PNG");
    }
    return QFile::exists(path) ? utf8(path) : std::string(kDesktopEntry);
}

const std::string &programIcon() {
    static const std::string icon = findProgramIcon();
    return icon;
}

}  // namespace

QString NotificationPresenter::PlainText(const QString &text, int max_length) {
    QString plain;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        // Bidirectional overrides would turn the rest of the desktop's bubble around.
        const bool bidi = (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
        if (c == QLatin1Char('\n') || (c.category() != QChar::Other_Control && !bidi)) {
            plain.append(c);
        }
    }
    plain = plain.trimmed();
    if (plain.size() <= max_length) {
        return plain;
    }
    int cut = max_length - 1;
    // Never half a character outside the basic plane.
    if (plain.at(cut - 1).isHighSurrogate()) {
        --cut;
    }
    return plain.left(cut) + QChar(0x2026);
}

NotificationPresenter::NotificationPresenter(Window window) : window_(std::move(window)) {
    platform::DesktopNotifications::Events events;
    events.clicked = [this](platform::DesktopNotifications::Id id) { Clicked(id); };
    events.closed = [this](platform::DesktopNotifications::Id id) { Gone(id); };
    desktop_ =
        platform::DesktopNotifications::Create(kApplicationName, kDesktopEntry, std::move(events));
}

NotificationPresenter::~NotificationPresenter() {
    desktop_.reset();
}

void NotificationPresenter::Show(CefRefPtr<CefNotification> notification) {
    const std::string origin = notification->GetOrigin().ToString();
    if (!rate_limit_.Admit(origin, NotificationRateLimit::Clock::now())) {
        if (rate_limit_.dropped() == 1) {
            std::fprintf(stderr,
                         "vantoro-client: notifications of %s come faster than the desktop "
                         "shows them; the rest are dropped\n",
                         origin.c_str());
        }
        return;
    }
    platform::DesktopNotifications::Id replaces = 0;
    const CefString tag = notification->GetTag();
    if (!tag.empty()) {
        for (const auto &[id, other] : shown_) {
            if (other->GetTag() == tag && other->GetOrigin() == notification->GetOrigin()) {
                replaces = id;
                break;
            }
        }
    }
    if (replaces) {
        shown_.erase(replaces);
    }
    platform::DesktopNotifications::Content content;
    const QString title = PlainText(toQString(notification->GetTitle()), kTitleLength);
    content.title = utf8(title);
    content.body = utf8(PlainText(toQString(notification->GetBody()), kBodyLength));
    content.icon = programIcon();
    platform::DesktopNotifications::Image &image = content.image;
    if (!notification->GetIcon(kIconSide, image.width, image.height, image.rgba)) {
        image = {};
    }
    desktop_->Show(content, replaces,
                   [this, notification, title](platform::DesktopNotifications::Id id) {
                       if (id) {
                           shown_[id] = notification;
                       } else if (window_.showNotice) {
                           window_.showNotice(title);
                       }
                   });
}

void NotificationPresenter::Closed(CefRefPtr<CefNotification> notification) {
    for (auto it = shown_.begin(); it != shown_.end(); ++it) {
        if (it->second.get() == notification.get()) {
            const platform::DesktopNotifications::Id id = it->first;
            shown_.erase(it);
            desktop_->Withdraw(id);
            return;
        }
    }
}

void NotificationPresenter::WithdrawAll() {
    std::map<platform::DesktopNotifications::Id, CefRefPtr<CefNotification>> shown;
    shown.swap(shown_);
    for (const auto &entry : shown) {
        desktop_->Withdraw(entry.first);
    }
    desktop_->FinishWithdrawals(kWithdrawDeadlineMs);
    if (rate_limit_.dropped() > 0) {
        std::fprintf(stderr, "vantoro-client: %lld notifications dropped\n", rate_limit_.dropped());
    }
}

void NotificationPresenter::Clicked(platform::DesktopNotifications::Id id) {
    auto found = shown_.find(id);
    if (found == shown_.end()) {
        return;
    }
    if (window_.bringToFront) {
        window_.bringToFront();
    }
    found->second->Click();
}

void NotificationPresenter::Gone(platform::DesktopNotifications::Id id) {
    auto found = shown_.find(id);
    if (found == shown_.end()) {
        return;
    }
    CefRefPtr<CefNotification> notification = found->second;
    shown_.erase(found);
    notification->Close();
}
