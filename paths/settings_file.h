#ifndef PATHS_SETTINGS_FILE_H_
#define PATHS_SETTINGS_FILE_H_

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

// The content of a settings file, read once and then kept in memory: the file is the client's to
// write, and reading it again at every use would let whatever lies at its path stall the window.
// Only a regular file of at most 1 MiB is read; anything else at the path, or a file Qt cannot
// parse, counts as damaged: what could be read of it stays, and the next save writes the file
// afresh. A save replaces the whole file in one step (a temporary file renamed over it), so a
// crash or a full disk leaves the previous file whole.
class SettingsFile {
public:
    static constexpr qint64 kMaximumSize = 1024 * 1024;

    // The client's own file at ClientPaths::settingsFile(), read at the first call.
    static SettingsFile &client();

    explicit SettingsFile(QString path);

    bool damaged() const { return damaged_; }
    // key is "group/name"; an invalid QVariant when the file does not hold it.
    QVariant value(const QString &key) const;
    // The names of the values in group ("name" of each "group/name").
    QStringList childKeys(const QString &group) const;
    // Changes the value in memory; save() writes it.
    void setValue(const QString &key, const QVariant &value);
    // Writes every value to the file. A save that fails is reported on stderr, once per file.
    bool save();

private:
    const QString path_;
    QMap<QString, QVariant> values_;
    bool damaged_ = false;
    bool failure_reported_ = false;
};

#endif  // PATHS_SETTINGS_FILE_H_
