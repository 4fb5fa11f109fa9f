#ifndef BROWSER_DOWNLOAD_TARGETS_H_
#define BROWSER_DOWNLOAD_TARGETS_H_

#include <QSet>
#include <QString>

// Where downloads go: the name a server or page suggests, made safe to use as a file name on any
// system, in a folder, never a path that already holds a file or that another running download
// has been given.
class DownloadTargets {
public:
    // The suggested name's last path component without control or format characters, characters
    // other systems forbid, leading dots or trailing dots and spaces; never a device name, at most
    // kMaxNameBytes in UTF-8 with its extension kept, and "download" when nothing is left.
    static QString safeName(const QString &suggested);

    // A free path in folder for the suggested name: "name.ext", else "name (1).ext",
    // "name (2).ext", ...; held until release().
    QString reserve(const QString &folder, const QString &suggested);
    void release(const QString &path);

    static constexpr int kMaxNameBytes = 200;

private:
    QSet<QString> reserved_;
};

#endif  // BROWSER_DOWNLOAD_TARGETS_H_
