#include "paths/settings_file.h"

#include <cstdio>
#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include "paths/client_paths.h"
#include "platform/platform.h"

namespace {

// QSettings reads and writes its INI format from and to files only: a private copy in a fresh
// temporary folder keeps the format exactly Qt's while the client decides what it reads and how
// the real file is replaced.
QString privateCopyPath(const QTemporaryDir &folder) {
    return folder.filePath(QStringLiteral("settings.conf"));
}

// The values content holds, and whether Qt read it without complaint.
bool parse(const QByteArray &content, QMap<QString, QVariant> &values) {
    QTemporaryDir folder;
    QFile copy(privateCopyPath(folder));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) ||
        copy.write(content) != content.size()) {
        return false;
    }
    copy.close();
    QSettings settings(copy.fileName(), QSettings::IniFormat);
    for (const QString &key : settings.allKeys()) {
        // A line of a damaged file may make an empty key, which Qt cannot look up.
        if (!key.isEmpty()) {
            values.insert(key, settings.value(key));
        }
    }
    return settings.status() == QSettings::NoError;
}

bool serialise(const QMap<QString, QVariant> &values, QByteArray &content, QString &why) {
    QTemporaryDir folder;
    if (!folder.isValid()) {
        why = folder.errorString();
        return false;
    }
    {
        QSettings settings(privateCopyPath(folder), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it) {
            settings.setValue(it.key(), it.value());
        }
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            why = QStringLiteral("cannot write a temporary copy");
            return false;
        }
    }
    QFile copy(privateCopyPath(folder));
    if (!copy.open(QIODevice::ReadOnly)) {
        why = copy.errorString();
        return false;
    }
    content = copy.readAll();
    return true;
}

}  // namespace

SettingsFile &SettingsFile::client() {
    static SettingsFile file(ClientPaths::settingsFile());
    return file;
}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {
    std::string content;
    const platform::ReadResult read = platform::readRegularFile(
        QFile::encodeName(path_).toStdString(), static_cast<std::size_t>(kMaximumSize), content);
    switch (read) {
        case platform::ReadResult::kRead:
            damaged_ = !parse(QByteArray::fromStdString(content), values_);
            break;
        case platform::ReadResult::kMissing:
            break;
        case platform::ReadResult::kNotRegular:
        case platform::ReadResult::kTooLarge:
        case platform::ReadResult::kFailed:
            damaged_ = true;
            std::fprintf(stderr, "vantoro-client: settings file %s ignored (%s)\n",
                         QFile::encodeName(path_).constData(),
                         read == platform::ReadResult::kNotRegular ? "not a regular file"
                         : read == platform::ReadResult::kTooLarge ? "larger than 1 MiB"
                                                                   : "cannot be read");
            break;
    }
}

QVariant SettingsFile::value(const QString &key) const {
    return values_.value(key);
}

QStringList SettingsFile::childKeys(const QString &group) const {
    const QString prefix = group + QLatin1Char('/');
    QStringList keys;
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (it.key().startsWith(prefix) && it.key().indexOf(QLatin1Char('/'), prefix.size()) < 0) {
            keys << it.key().mid(prefix.size());
        }
    }
    return keys;
}

void SettingsFile::setValue(const QString &key, const QVariant &value) {
    values_.insert(key, value);
}

bool SettingsFile::save() {
    QByteArray content;
    QString why;
    bool saved = serialise(values_, content, why);
    if (saved) {
        // A special file at the path (a FIFO) is not written through, which could wait for ever:
        // the new file takes its name.
        const QFileInfo existing(path_);
        if (existing.exists() && !existing.isFile() && !existing.isDir()) {
            QFile::remove(path_);
        }
        QDir().mkpath(existing.path());
        QSaveFile file(path_);
        saved = file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
                file.commit();
        if (!saved) {
            why = file.errorString();
        }
    }
    if (saved) {
        damaged_ = false;
    } else if (!failure_reported_) {
        failure_reported_ = true;
        std::fprintf(stderr, "vantoro-client: settings not saved to %s (%s)\n",
                     QFile::encodeName(path_).constData(), why.toLocal8Bit().constData());
    }
    return saved;
}
