#include "browser/room_link.h"

#include <QRegularExpression>

namespace {

const char kRoomScheme[] = "vantoro";
const char kRoomHost[] = "room";
constexpr int kHttpsPort = 443;

QUrl refuse(QString *why, const QString &reason) {
    *why = reason;
    return QUrl();
}

}  // namespace

RoomLink::RoomLink(const QUrl &home) : home_(home) {}

QUrl RoomLink::pageFor(const QString &text, QString *why) const {
    if (text.size() > kMaxLength) {
        return refuse(why, QStringLiteral("longer than %1 characters").arg(kMaxLength));
    }
    // Strict: a tolerant parse would turn spaces and stray characters into a different link from
    // the one the viewer sees.
    const QUrl link(text, QUrl::StrictMode);
    if (!link.isValid() || link.scheme().isEmpty()) {
        return refuse(why, QStringLiteral("not a link"));
    }
    // A link such as https://site@elsewhere reads as the site's to a person.
    if (!link.userInfo().isEmpty() ||
        link.authority(QUrl::FullyEncoded).contains(QLatin1Char('@'))) {
        return refuse(why, QStringLiteral("a link with user information"));
    }
    if (link.scheme() == QLatin1String(kRoomScheme)) {
        return roomPage(link, why);
    }
    if (link.scheme() == QLatin1String("https")) {
        return sitePage(link, why);
    }
    return refuse(why,
                  QStringLiteral("links of the scheme \"%1\" are not opened").arg(link.scheme()));
}

QUrl RoomLink::roomPage(const QUrl &link, QString *why) const {
    static const QRegularExpression room(QStringLiteral("^/[A-Za-z0-9_-]{1,64}$"));
    if (link.host() != QLatin1String(kRoomHost) || link.port() != -1 ||
        !room.match(link.path(QUrl::FullyEncoded)).hasMatch() || link.hasQuery() ||
        link.hasFragment()) {
        return refuse(why, QStringLiteral("not a room link (vantoro://room/ID)"));
    }
    QUrl page;
    page.setScheme(QStringLiteral("https"));
    page.setHost(home_.host());
    page.setPort(home_.port());
    page.setPath(QLatin1Char('/') + QLatin1String(kRoomHost) + link.path());
    return page;
}

QUrl RoomLink::sitePage(const QUrl &link, QString *why) const {
    if (link.host() != home_.host() || link.port(kHttpsPort) != home_.port(kHttpsPort)) {
        return refuse(why, QStringLiteral("a page of another site"));
    }
    if (link.toString(QUrl::FullyEncoded).size() > kMaxLength) {
        return refuse(why, QStringLiteral("longer than %1 characters").arg(kMaxLength));
    }
    return link;
}
