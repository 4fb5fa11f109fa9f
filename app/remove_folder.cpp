#include "app/remove_folder.h"

#include <QDir>
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

bool removeFolder(const QString &path) {
    if (path.isEmpty()) {
        return false;
    }
    QDir folder(path);
    if (!folder.exists()) {
        return true;
    }
    folder.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : folder.entryInfoList()) {
        // A link goes as a link: the folder or file it leads to may lie outside this tree.
        if (entry.isSymLink() || entry.isFile()) {
            entry.dir().remove(entry.fileName());
        } else {
            removeFolder(entry.absoluteFilePath());
        }
    }
    removeDanglingLinks(folder);
    // The folder alone: a parent that is left empty is not ours to remove (on Linux it may be
    // ~/.local/share, or the home folder of a bare account).
    return QDir().rmdir(folder.absolutePath());
}
