#ifndef APP_REMOVE_FOLDER_H_
#define APP_REMOVE_FOLDER_H_

#include <QString>

// Deletes the folder at path with everything below it, except hidden and system entries (and the
// folders that hold them). Links below the folder are removed as links; what they lead to is never
// touched, and so is the target when path itself is a link: only the link goes. The file at the
// absolute path keep, if given, stays with the folders that hold it. Returns true when path does
// not exist or the folder itself was removed, false for an empty path or a folder that stayed.
bool removeFolder(const QString &path, const QString &keep = QString());

#endif  // APP_REMOVE_FOLDER_H_
