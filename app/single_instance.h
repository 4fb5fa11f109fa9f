#ifndef APP_SINGLE_INSTANCE_H_
#define APP_SINGLE_INSTANCE_H_

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// Keeps one client per data folder: the first start holds a lock file in the folder and listens
// on a local socket in the user's private runtime folder; a later start finds it there and asks it
// to show its window instead of opening a second one on the same profile.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum Outcome {
        // This process holds the data folder.
        kFirst,
        // The data folder cannot be locked: this process runs, and must leave the folder alone.
        kUnguarded,
        // The running client has been asked to show its window: this process ends.
        kHandedOver,
        // A client holds the data folder but did not answer in time.
        kNoAnswer,
    };

    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Takes the data folder or hands over to the client that holds it, trying for at most
    // timeoutMs while a client holds the lock but does not answer (it may be starting up or
    // ending). activationToken, which the desktop gave this start, goes to that client: on
    // Wayland only a window shown with such a token may come to the front. A page, when given, is
    // for that client to open (the URL in its encoded form); one longer than kMaxPageLength, or
    // with characters no encoded URL has, is left out.
    Outcome start(int timeoutMs, const QByteArray &activationToken = QByteArray(),
                  const QByteArray &page = QByteArray());
    // The lock file's path, for the removal of the data folder.
    QString lockFilePath() const;
    // Why later starts cannot reach this client, which holds the data folder; empty while it
    // answers them.
    QString answerFailure() const;
    // Stops answering later starts; they wait for the data folder instead.
    void stopAnswering();
    // Stops answering and frees the data folder.
    void release();

    // As long as a link the client opens from outside may be.
    static constexpr int kMaxPageLength = 2048;

    // The local socket's name for a data folder: the same for every spelling of one folder, and
    // short whatever the path's length, as local socket paths are limited to about 100 bytes.
    static QString serverName(const QString &dataFolder);

signals:
    // A later start asked for the window, handing over its activation token (empty without one).
    void showRequested(const QByteArray &activationToken);
    // A later start asked for the window to show page (an encoded URL, not yet checked).
    void openRequested(const QByteArray &page, const QByteArray &activationToken);

private:
    QString socketPath() const;
    void listen();
    bool askToShow(int timeoutMs, const QByteArray &activationToken, const QByteArray &page);
    void answer();
    // Emits what a later start's line asks for; false when it asks for nothing this client does.
    bool handle(const QByteArray &line);

    const QString dataFolder_;
    QLockFile lock_;
    QLocalServer server_;
    QString answerFailure_;
};

#endif  // APP_SINGLE_INSTANCE_H_
