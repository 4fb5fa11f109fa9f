#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include "platform/platform.h"

namespace platform {

namespace {

// The desktop's autostart folder, below the user's configuration folder.
QString entryPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString()
                            : config + QStringLiteral("/autostart/vantoro-client.desktop");
}

// The program as one quoted argument of an Exec key: the characters the quoting reserves are
// escaped, then the backslashes once more for the desktop file's strings, and "%" is doubled, as
// a field code would otherwise stand there.
QString execArgument(const QString &program) {
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

bool startsAtLogin() {
    const QString path = entryPath();
    return !path.isEmpty() && QFile::exists(path);
}

bool setStartAtLogin(bool start) {
    const QString path = entryPath();
    if (path.isEmpty()) {
        return false;
    }
    if (!start) {
        return !QFile::exists(path) || QFile::remove(path);
    }
    const QString program = QString::fromStdString(executablePath());
    if (program.isEmpty() || !QDir().mkpath(QFileInfo(path).path())) {
        return false;
    }
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Vantoro Client\n"
                             "Exec=%1\n"
                             "Icon=vantoro-client\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(execArgument(program));
    entry.write(text.toUtf8());
    return entry.commit();
}

}  // namespace platform
