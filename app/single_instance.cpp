#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include "platform/platform.h"

namespace {

const char kLockFileName[] = "client.lock";
// "show", a space and the later start's activation token when it has one, a newline; or "open",
// a space and the page, then the token as for "show".
const char kShowRequest[] = "show";
const char kOpenRequest[] = "open";
const char kShowAnswer[] = "shown\n";
constexpr int kRetryPauseMs = 50;
// Tokens are short printable strings; anything else is not passed on.
constexpr int kMaxTokenLength = 255;

// Printable, without spaces, and no longer than maxLength: a token, or a URL in its encoded form.
bool usableWord(const QByteArray &word, int maxLength) {
    if (word.isEmpty() || word.size() > maxLength) {
        return false;
    }
    for (const char c : word) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}
bool usableToken(const QByteArray &token) {
    return usableWord(token, kMaxTokenLength);
}
// A later start sends its one line (with its page and token) at once; a connection that sends
// more, or nothing, is not a later start and may not hold memory or a descriptor for long.
constexpr qint64 kMaxRequestBytes = SingleInstance::kMaxPageLength + kMaxTokenLength + 16;
constexpr int kRequestTimeoutMs = 1000;

}  // namespace

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent),
      dataFolder_(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath())),
      lock_(dataFolder_ + QLatin1Char('/') + QLatin1String(kLockFileName)) {
    // Only a dead holder makes a lock stale: a client may run for weeks.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::~SingleInstance() {
    release();
}

QString SingleInstance::serverName(const QString &dataFolder) {
    const QString folder = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    const QByteArray digest =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("vantoro-client-") + QString::fromLatin1(digest);
}

QString SingleInstance::lockFilePath() const {
    return dataFolder_ + QLatin1Char('/') + QLatin1String(kLockFileName);
}

QString SingleInstance::socketPath() const {
    return QString::fromStdString(
        platform::privateServerName(serverName(dataFolder_).toStdString()));
}

QString SingleInstance::answerFailure() const {
    return answerFailure_;
}

SingleInstance::Outcome SingleInstance::start(int timeoutMs, const QByteArray &activationToken,
                                              const QByteArray &page) {
    QDir().mkpath(dataFolder_);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock_.tryLock(0)) {
            listen();
            return kFirst;
        }
        if (lock_.error() != QLockFile::LockFailedError) {
            return kUnguarded;
        }
        if (askToShow(static_cast<int>(deadline.remainingTime()), activationToken, page)) {
            return kHandedOver;
        }
        // A lock file the toolkit cannot read (empty after a crash between its creation and its
        // first write, or written on another machine) never counts as stale; what shows that
        // nobody owns it is that no process holds it.
        if (platform::removeUnheldLockFile(
                QDir::toNativeSeparators(lockFilePath()).toStdString())) {
            continue;
        }
        if (deadline.hasExpired()) {
            return kNoAnswer;
        }
        QThread::msleep(kRetryPauseMs);
    }
}

void SingleInstance::listen() {
    const QString path = socketPath();
    if (path.isEmpty()) {
        answerFailure_ = QStringLiteral("no folder of this user's own for the local socket");
        return;
    }
    // The name is ours while the lock is: a socket file left by a crashed client goes.
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
        answerFailure_ = server_.errorString();
    }
}

bool SingleInstance::askToShow(int timeoutMs, const QByteArray &activationToken,
                               const QByteArray &page) {
    const QDeadlineTimer deadline(timeoutMs);
    const QString path = socketPath();
    if (path.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    QByteArray request(kShowRequest);
    if (usableWord(page, kMaxPageLength)) {
        request = kOpenRequest + (' ' + page);
    }
    if (usableToken(activationToken)) {
        request += ' ' + activationToken;
    }
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine() == kShowAnswer;
}

void SingleInstance::answer() {
    while (QLocalSocket *socket = server_.nextPendingConnection()) {
        socket->setReadBufferSize(kMaxRequestBytes);
        const auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kRequestTimeoutMs, socket, drop);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, drop] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() >= kMaxRequestBytes) {
                    drop();
                }
                return;
            }
            if (handle(socket->readLine(kMaxRequestBytes))) {
                socket->write(kShowAnswer);
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::handle(const QByteArray &line) {
    if (!line.endsWith('\n')) {
        return false;
    }
    QList<QByteArray> words = line.chopped(1).split(' ');
    const QByteArray kind = words.takeFirst();
    QByteArray page;
    if (kind == kOpenRequest && !words.isEmpty()) {
        page = words.takeFirst();
        if (!usableWord(page, kMaxPageLength)) {
            return false;
        }
    } else if (kind != kShowRequest) {
        return false;
    }
    QByteArray token;
    if (!words.isEmpty()) {
        token = words.takeFirst();
        if (!words.isEmpty() || !usableToken(token)) {
            return false;
        }
    }
    if (page.isEmpty()) {
        emit showRequested(token);
    } else {
        emit openRequested(page, token);
    }
    return true;
}

void SingleInstance::stopAnswering() {
    server_.close();
}

void SingleInstance::release() {
    stopAnswering();
    lock_.unlock();
}
