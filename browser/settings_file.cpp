#include "browser/settings_file.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString settingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName() + QLatin1Char('/') +
           QCoreApplication::applicationName() + QStringLiteral(".conf");
}
