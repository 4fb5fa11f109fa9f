#ifndef APP_REMOVE_FOLDER_H_
#define APP_REMOVE_FOLDER_H_

#include <QString>

// Deletes the folder at path with everything below it, except hidden and system entries (and the
// folders that hold them). Links below the folder are removed as links; what they lead to is never
// touched. Returns true when path does not exist or the folder itself was removed, false for an
// empty path or a folder that stayed.
bool removeFolder(const QString &path);

#endif  // APP_REMOVE_FOLDER_H_
