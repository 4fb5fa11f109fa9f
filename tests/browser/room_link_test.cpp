// Which links from outside the client open a page in its main window.
#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

#include "browser/room_link.h"

namespace {

struct Case {
    const char *text;
    // The page opened, or nullptr when the link is refused.
    const char *page;
};

}  // namespace

TEST(RoomLink, OpensOnlyTheSitesOwnPagesAndRooms) {
    const RoomLink links(QUrl(QStringLiteral("https://live.vantoro.example/?union=vtclient")));
    const QString longPath = QString(RoomLink::kMaxLength, QLatin1Char('a'));
    const Case cases[] = {
        {"https://live.vantoro.example/room/123", "https://live.vantoro.example/room/123"},
        {"HTTPS://Live.Vantoro.Example/room/1?x=%C3%A9#top",
         "https://live.vantoro.example/room/1?x=%C3%A9#top"},
        {"https://live.vantoro.example:443/", "https://live.vantoro.example:443/"},
        {"vantoro://room/123", "https://live.vantoro.example/room/123"},
        {"vantoro://room/a_b-9", "https://live.vantoro.example/room/a_b-9"},
        // Another site, or the site's name inside another one's.
        {"https://evil.example/room/1", nullptr},
        {"https://live.vantoro.example.evil.example/", nullptr},
        {"https://www.live.vantoro.example/", nullptr},
        {"https://live.vantoro.example:8443/", nullptr},
        {"https://live.vantoro.example./", nullptr},
        // User information, in either direction.
        {"https://user:pw@live.vantoro.example/", nullptr},
        {"https://@live.vantoro.example/", nullptr},
        {"https://live.vantoro.example@evil.example/", nullptr},
        {"vantoro://user@room/1", nullptr},
        // Other schemes.
        {"http://live.vantoro.example/", nullptr},
        {"javascript:alert(1)", nullptr},
        {"file:///etc/passwd", nullptr},
        {"data:text/html,hi", nullptr},
        {"JavaScript://live.vantoro.example/%0aalert(1)", nullptr},
        // Not a link, or not a room.
        {"", nullptr},
        {"live.vantoro.example/room/1", nullptr},
        {"https://live.vantoro.example/room 1", nullptr},
        {"vantoro://room/", nullptr},
        {"vantoro://room/1/2", nullptr},
        {"vantoro://room/../../x", nullptr},
        {"vantoro://room/%2e%2e", nullptr},
        {"vantoro://room/1?next=https://evil.example", nullptr},
        {"vantoro://room:80/1", nullptr},
        {"vantoro://evil.example/room/1", nullptr},
        {"vantoro:room/1", nullptr},
    };
    for (const Case &c : cases) {
        QString why;
        const QUrl page = links.pageFor(QString::fromUtf8(c.text), &why);
        if (c.page) {
            EXPECT_EQ(page.toString(QUrl::FullyEncoded).toStdString(), c.page) << c.text;
        } else {
            EXPECT_TRUE(page.isEmpty()) << c.text << " opened " << page.toString().toStdString();
            EXPECT_FALSE(why.isEmpty()) << c.text;
        }
    }

    // The bound holds for the text and for the page it would become.
    QString why;
    const QString atBound = QStringLiteral("https://live.vantoro.example/");
    EXPECT_FALSE(links.pageFor(atBound + longPath.left(RoomLink::kMaxLength - atBound.size()), &why)
                     .isEmpty());
    EXPECT_TRUE(links.pageFor(atBound + longPath, &why).isEmpty());
    EXPECT_TRUE(
        links.pageFor(atBound + QString(RoomLink::kMaxLength / 2, QChar(0x00e9)), &why).isEmpty());
}
