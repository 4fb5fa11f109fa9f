#include "browser/settings_file.h"

#include <QStandardPaths>

QString settingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/vantoro-client.conf");
}
