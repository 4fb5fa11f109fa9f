#ifndef BROWSER_ROOM_LINK_H_
#define BROWSER_ROOM_LINK_H_

#include <QString>
#include <QUrl>

// Which page a link from outside the client opens in its main window: the command line's, a
// later start's, or the desktop's "vantoro://room/ID" link. Only a page of the site itself is
// opened (https on the home page's host and port, without user information), and a vantoro link
// only as the room it names: anything else could make the signed-in page show or run what the
// site never sent.
class RoomLink {
public:
    // Longer text is refused; the single-client hand-over carries no more than this.
    static constexpr int kMaxLength = 2048;

    // home is the client's home page: its scheme, host and port are the site's.
    explicit RoomLink(const QUrl &home);

    // The page text leads to; an empty URL, with why set to a few words for the viewer, when the
    // text is refused.
    QUrl pageFor(const QString &text, QString *why) const;

private:
    QUrl roomPage(const QUrl &link, QString *why) const;
    QUrl sitePage(const QUrl &link, QString *why) const;

    const QUrl home_;
};

#endif  // BROWSER_ROOM_LINK_H_
