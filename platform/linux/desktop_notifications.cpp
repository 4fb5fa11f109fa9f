#include "platform/desktop_notifications.h"

#include <cstdio>
#include <map>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "platform/platform.h"

namespace platform {

namespace {

const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";
const char kInterface[] = "org.freedesktop.Notifications";
// The action a click on the notification's body invokes.
const char kDefaultAction[] = "default";
constexpr int kWithdrawTimeoutMs = 1000;

// The bus itself rather than the engine's relay of it, so that its end shows.
QDBusConnection connectToSessionBus() {
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        return QDBusConnection(QStringLiteral("vantoro-no-session-bus"));
    }
    return QDBusConnection::connectToBus(QString::fromStdString(address),
                                         QStringLiteral("vantoro-notifications"));
}

// A service that reads markup in the body would take "<b>" for bold and "&amp;" for "&".
QString plainForService(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size())).toHtmlEscaped();
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
        QDBusMessage call =
            QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                           QLatin1String(kInterface), QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("desktop-entry"), desktop_entry_);
        call << application_name_ << replaces << desktop_entry_ << plainForService(content.title)
             << plainForService(content.body)
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
        // Waited for: at exit the process may end right after.
        bus_.call(call, QDBus::Block, kWithdrawTimeoutMs);
    }

private:
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
};

}  // namespace

std::unique_ptr<DesktopNotifications> DesktopNotifications::Create(
    const std::string &application_name, const std::string &desktop_entry, Events events) {
    return std::make_unique<DBusNotifications>(application_name, desktop_entry, std::move(events));
}

}  // namespace platform

#include "desktop_notifications.moc"
