#include "browser/notification_permissions.h"

#include <QUrl>

namespace {

const char kGroup[] = "notifications";
const char kAllowed[] = "allow";
const char kDenied[] = "deny";

// An origin as one settings key that reads plainly in the file: "https_live.vantoro.example_443".
// The key syntax gives "/" a meaning of its own.
QString keyOf(const QUrl &origin) {
    const int port = origin.port(origin.scheme() == QLatin1String("http") ? 80 : 443);
    return origin.scheme() + QLatin1Char('_') + origin.host(QUrl::FullyEncoded) + QLatin1Char('_') +
           QString::number(port);
}

}  // namespace

NotificationPermissions::NotificationPermissions(SettingsFile &settings_file, Ask ask)
    : settings_file_(settings_file), ask_(std::move(ask)) {}

void NotificationPermissions::Request(const QString &origin, std::function<void(bool)> done) {
    const QUrl url(origin);
    if (!url.isValid() || url.host().isEmpty()) {
        done(false);
        return;
    }
    const QString key = keyOf(url);
    const QString remembered =
        settings_file_.value(QLatin1String(kGroup) + QLatin1Char('/') + key).toString();
    if (remembered == QLatin1String(kAllowed) || remembered == QLatin1String(kDenied)) {
        done(remembered == QLatin1String(kAllowed));
        return;
    }
    std::vector<std::function<void(bool)>> &waiting = waiting_[key];
    waiting.push_back(std::move(done));
    if (waiting.size() == 1) {
        ask_(url.host(), [this, key](Answer answer) { Answered(key, answer); });
    }
}

std::vector<std::pair<QString, bool>> NotificationPermissions::Remembered() const {
    std::vector<std::pair<QString, bool>> remembered;
    for (const QString &key : settings_file_.childKeys(QLatin1String(kGroup))) {
        const QString answer =
            settings_file_.value(QLatin1String(kGroup) + QLatin1Char('/') + key).toString();
        // keyOf's parts: the scheme has no "_", the port is digits.
        const int schemeEnd = key.indexOf(QLatin1Char('_'));
        const int hostEnd = key.lastIndexOf(QLatin1Char('_'));
        bool port = false;
        key.mid(hostEnd + 1).toInt(&port);
        if (schemeEnd <= 0 || hostEnd <= schemeEnd + 1 || !port ||
            (answer != QLatin1String(kAllowed) && answer != QLatin1String(kDenied))) {
            continue;
        }
        const QUrl origin(key.left(schemeEnd) + QStringLiteral("://") +
                          key.mid(schemeEnd + 1, hostEnd - schemeEnd - 1) + QLatin1Char(':') +
                          key.mid(hostEnd + 1));
        if (origin.isValid() && keyOf(origin) == key) {
            remembered.emplace_back(origin.toString(), answer == QLatin1String(kAllowed));
        }
    }
    return remembered;
}

void NotificationPermissions::Answered(const QString &key, Answer answer) {
    if (answer != Answer::kNone) {
        settings_file_.setValue(QLatin1String(kGroup) + QLatin1Char('/') + key,
                                QLatin1String(answer == Answer::kAllow ? kAllowed : kDenied));
        settings_file_.save();
    }
    auto found = waiting_.find(key);
    if (found == waiting_.end()) {
        return;
    }
    std::vector<std::function<void(bool)>> waiting = std::move(found->second);
    waiting_.erase(found);
    for (const auto &done : waiting) {
        done(answer == Answer::kAllow);
    }
}
