#include "app/remove_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileInfoList>

namespace {

// Entries that removeFolder removes as links. The ordinary listing leaves out links whose target
// is gone (the toolkit counts them among the system entries), so they are picked from the system
// entries, leaving sockets, FIFOs and devices where they are.
void removeDanglingLinks(const QDir &folder) {
    QDir systemEntries(folder);
    systemEntries.setFilter(QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : systemEntries.entryInfoList()) {
        if (entry.isSymLink()) {
            entry.dir().remove(entry.fileName());
        }
    }
}

}  // namespace

bool removeFolder(const QString &path, const QString &keep) {
    if (path.isEmpty()) {
        return false;
    }
    // A data folder that is a link to another disk: the link is what the path names, and the
    // folder it leads to is not ours to empty.
    // A trailing separator would make the system look through the link.
    const QString named = QDir::cleanPath(path);
    const QFileInfo self(named);
    if (self.isSymLink() || self.isJunction()) {
        return QFile::remove(named) || QDir().rmdir(named);
    }
    QDir folder(path);
    if (!folder.exists()) {
        return true;
    }
    folder.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : folder.entryInfoList()) {
        if (!keep.isEmpty() && entry.absoluteFilePath() == QDir::cleanPath(keep)) {
            continue;
        }
        // A link goes as a link: the folder or file it leads to may lie outside this tree.
        if (entry.isJunction()) {
            QDir().rmdir(entry.absoluteFilePath());
        } else if (entry.isSymLink() || entry.isFile()) {
            entry.dir().remove(entry.fileName());
        } else {
            removeFolder(entry.absoluteFilePath(), keep);
        }
    }
    removeDanglingLinks(folder);
    // The folder alone: a parent that is left empty is not ours to remove (on Linux it may be
    // ~/.local/share, or the home folder of a bare account).
    return QDir().rmdir(folder.absolutePath());
}
