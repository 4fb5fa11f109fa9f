#ifndef BROWSER_SETTINGS_FILE_H_
#define BROWSER_SETTINGS_FILE_H_

#include <QString>

// The client's settings (QSettings, INI format): in the platform's standard configuration
// location, outside the data folder, so that clearing the cache keeps them.
QString settingsFilePath();

#endif  // BROWSER_SETTINGS_FILE_H_
