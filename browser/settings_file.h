#ifndef BROWSER_SETTINGS_FILE_H_
#define BROWSER_SETTINGS_FILE_H_

#include <QString>

// The client's settings file (QSettings, INI format), shared by the window's place and zoom and the
// notification answers: in the platform's standard configuration location under the
// organisation's folder, outside the data folder, so that clearing the cache keeps them.
QString settingsFilePath();

#endif  // BROWSER_SETTINGS_FILE_H_
