#include "browser/download_targets.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString kFallbackName = QStringLiteral("download");
// Reserved as file names on Windows whatever their extension.
const QStringList kDeviceNames = {
    QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),  QStringLiteral("NUL"),
    QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
    QStringLiteral("COM5"), QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
    QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
    QStringLiteral("LPT4"), QStringLiteral("LPT5"), QStringLiteral("LPT6"), QStringLiteral("LPT7"),
    QStringLiteral("LPT8"), QStringLiteral("LPT9")};
// An extension longer than this is part of the name, not a type.
constexpr int kMaxExtensionLength = 16;

bool forbidden(QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           QStringLiteral("<>:\"|?*").contains(c);
}

// The extension with its dot, or empty.
QString extensionOf(const QString &name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot > kMaxExtensionLength + 1) {
        return QString();
    }
    return name.mid(dot);
}

// The longest start of text of at most bytes in UTF-8 that ends between characters; one pass,
// as the name may be megabytes long.
QString cutToBytes(const QString &text, int bytes) {
    int used = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                          QChar::isLowSurrogate(text.at(i + 1).unicode());
        used += c < 0x80 ? 1 : c < 0x800 ? 2 : pair ? 4 : 3;
        if (used > bytes) {
            return text.left(i);
        }
        if (pair) {
            ++i;
        }
    }
    return text;
}

// Without the dots and spaces that systems strip or hide at the ends of a name.
QString trimmed(const QString &name) {
    const auto hidden = [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && hidden(name.at(begin))) {
        ++begin;
    }
    while (end > begin && hidden(name.at(end - 1))) {
        --end;
    }
    return name.mid(begin, end - begin);
}

}  // namespace

QString DownloadTargets::safeName(const QString &suggested) {
    QString name;
    for (const QString &part :
         QString(suggested).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'))) {
        if (!trimmed(part).isEmpty()) {
            name = part;
        }
    }
    name.removeIf(forbidden);
    name = trimmed(name);

    const QString extension = extensionOf(name);
    const QString stem = name.left(name.size() - extension.size());
    if (kDeviceNames.contains(stem.section(QLatin1Char('.'), 0, 0).trimmed(),
                              Qt::CaseInsensitive)) {
        name.prepend(QLatin1Char('_'));
    }
    if (name.toUtf8().size() > kMaxNameBytes) {
        name = trimmed(cutToBytes(name.left(name.size() - extension.size()),
                                  kMaxNameBytes - extension.toUtf8().size())) +
               extension;
    }
    name = trimmed(name);
    return name.isEmpty() ? kFallbackName : name;
}

QString DownloadTargets::reserve(const QString &folder, const QString &suggested) {
    const QString name = safeName(suggested);
    const QString extension = extensionOf(name);
    const QString stem = name.left(name.size() - extension.size());
    const QDir dir(folder);
    QString path = dir.filePath(name);
    for (int n = 1;
         reserved_.contains(path) || QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n) {
        path = dir.filePath(QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension));
    }
    reserved_.insert(path);
    return path;
}

void DownloadTargets::release(const QString &path) {
    reserved_.remove(path);
}
