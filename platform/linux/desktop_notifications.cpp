#include "platform/desktop_notifications.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include "platform/platform.h"

namespace platform {

namespace {

const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";
const char kInterface[] = "org.freedesktop.Notifications";
// The action a click on the notification's body invokes.
const char kDefaultAction[] = "default";
// How long the first notification waits for the service to say whether it reads markup.
constexpr int kCapabilitiesTimeoutMs = 2000;

// The bus itself rather than the engine's relay of it, so that its end shows.
QDBusConnection connectToSessionBus() {
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        return QDBusConnection(QStringLiteral("vantoro-no-session-bus"));
    }
    return QDBusConnection::connectToBus(QString::fromStdString(address),
                                         QStringLiteral("vantoro-notifications"));
}

QString fromUtf8(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The notification's picture as the "image-data" hint: width, height, row stride, alpha, bits per
// sample, channels, pixels.
QVariant imageHint(const DesktopNotifications::Image &image) {
    QDBusArgument argument;
    argument.beginStructure();
    argument << image.width << image.height << image.width * 4 << true << 8 << 4
             << QByteArray(reinterpret_cast<const char *>(image.rgba.data()),
                           static_cast<int>(image.rgba.size()));
    argument.endStructure();
    return QVariant::fromValue(argument);
}

// Receives the service's signals, which Qt delivers to slots only.
class Receiver : public QObject {
    Q_OBJECT

public:
    explicit Receiver(DesktopNotifications::Events &events) : events_(events) {}

public slots:
    void onActionInvoked(uint id, const QString &action) {
        if (action == QLatin1String(kDefaultAction) && events_.clicked) {
            events_.clicked(id);
        }
    }
    void onNotificationClosed(uint id, uint) {
        if (events_.closed) {
            events_.closed(id);
        }
    }

private:
    DesktopNotifications::Events &events_;
};

class DBusNotifications : public DesktopNotifications {
public:
    DBusNotifications(const std::string &application_name, const std::string &desktop_entry,
                      Events events)
        : application_name_(QString::fromStdString(application_name)),
          desktop_entry_(QString::fromStdString(desktop_entry)),
          events_(std::move(events)),
          bus_(connectToSessionBus()),
          receiver_(events_) {
        if (!bus_.isConnected()) {
            return;
        }
        bus_.connect(QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
                     QStringLiteral("ActionInvoked"), &receiver_,
                     SLOT(onActionInvoked(uint, QString)));
        bus_.connect(QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
                     QStringLiteral("NotificationClosed"), &receiver_,
                     SLOT(onNotificationClosed(uint, uint)));
    }

    void Show(const Content &content, Id replaces, std::function<void(Id)> shown) override {
        if (!bus_.isConnected()) {
            fail(QStringLiteral("no session bus"), shown);
            return;
        }
        if (!body_markup_) {
            // The service says once whether it reads markup in the body; the notifications that
            // come before its answer wait for it.
            waiting_.push_back(
                [this, content, replaces, shown] { Show(content, replaces, shown); });
            askCapabilities();
            return;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                           QLatin1String(kInterface), QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("desktop-entry"), desktop_entry_);
        if (content.image.width > 0 && content.image.height > 0) {
            hints.insert(QStringLiteral("image-data"), imageHint(content.image));
        }
        // The summary is plain text to every service; a service that reads markup in the body
        // would take "<b>" for bold and "&amp;" for "&".
        const QString body =
            *body_markup_ ? fromUtf8(content.body).toHtmlEscaped() : fromUtf8(content.body);
        call << application_name_ << replaces
             << (content.icon.empty() ? desktop_entry_ : fromUtf8(content.icon))
             << fromUtf8(content.title) << body
             << QStringList{QLatin1String(kDefaultAction), QString()} << hints << -1;
        auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), &receiver_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &receiver_,
                         [this, shown](QDBusPendingCallWatcher *finished) {
                             finished->deleteLater();
                             QDBusPendingReply<uint> reply = *finished;
                             if (reply.isError()) {
                                 fail(reply.error().message(), shown);
                             } else if (shown) {
                                 shown(reply.value());
                             }
                         });
    }

    void Withdraw(Id id) override {
        if (!bus_.isConnected()) {
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
            QStringLiteral("CloseNotification"));
        call << id;
        withdrawals_.erase(
            std::remove_if(withdrawals_.begin(), withdrawals_.end(),
                           [](const QDBusPendingCall &pending) { return pending.isFinished(); }),
            withdrawals_.end());
        withdrawals_.push_back(bus_.asyncCall(call));
    }

    void FinishWithdrawals(int timeout_ms) override {
        QElapsedTimer elapsed;
        elapsed.start();
        // The replies arrive on the bus's own thread; this one only looks.
        for (const QDBusPendingCall &pending : withdrawals_) {
            while (!pending.isFinished() && elapsed.elapsed() < timeout_ms) {
                QThread::msleep(5);
            }
        }
        withdrawals_.clear();
    }

private:
    void askCapabilities() {
        if (capabilities_asked_) {
            return;
        }
        capabilities_asked_ = true;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
            QStringLiteral("GetCapabilities"));
        auto *watcher =
            new QDBusPendingCallWatcher(bus_.asyncCall(call, kCapabilitiesTimeoutMs), &receiver_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &receiver_,
                         [this](QDBusPendingCallWatcher *finished) {
                             finished->deleteLater();
                             QDBusPendingReply<QStringList> reply = *finished;
                             // Without an answer the body is escaped: at worst a service shows
                             // "&amp;", never a picture the page named.
                             body_markup_ = reply.isError() ||
                                            reply.value().contains(QStringLiteral("body-markup"));
                             std::vector<std::function<void()>> waiting;
                             waiting.swap(waiting_);
                             for (const auto &show : waiting) {
                                 show();
                             }
                         });
    }

    void fail(const QString &why, const std::function<void(Id)> &shown) {
        if (!said_so_) {
            said_so_ = true;
            std::fprintf(stderr,
                         "vantoro-client: desktop notifications unavailable (%s); they are shown "
                         "in the window\n",
                         why.toLocal8Bit().constData());
        }
        if (shown) {
            shown(0);
        }
    }

    const QString application_name_;
    const QString desktop_entry_;
    Events events_;
    QDBusConnection bus_;
    Receiver receiver_;
    bool said_so_ = false;
    bool capabilities_asked_ = false;
    std::optional<bool> body_markup_;
    std::vector<std::function<void()>> waiting_;
    std::vector<QDBusPendingCall> withdrawals_;
};

}  // namespace

std::unique_ptr<DesktopNotifications> DesktopNotifications::Create(
    const std::string &application_name, const std::string &desktop_entry, Events events) {
    return std::make_unique<DBusNotifications>(application_name, desktop_entry, std::move(events));
}

}  // namespace platform

#include "desktop_notifications.moc"
