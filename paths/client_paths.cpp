#include "paths/client_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/platform.h"

QString ClientPaths::dataFolder() {
    return QString::fromStdString(platform::dataFolderPath());
}

QString ClientPaths::cacheFolder() {
    return QString::fromStdString(platform::cachePath());
}

QString ClientPaths::settingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName() + QLatin1Char('/') +
           QCoreApplication::applicationName() + QStringLiteral(".conf");
}

QString ClientPaths::downloadFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

QString ClientPaths::usableDownloadFolder() {
    const QString folder = downloadFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return QString();
    }
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString data = QFileInfo(dataFolder()).canonicalFilePath();
    if (!data.isEmpty() && (canonical == data || canonical.startsWith(data + QLatin1Char('/')))) {
        return QString();
    }
    return folder;
}
