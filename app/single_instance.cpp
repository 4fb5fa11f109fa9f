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
const char kShowRequest[] = "show\n";
const char kShowAnswer[] = "shown\n";
constexpr int kRetryPauseMs = 50;
// A later start sends its one short line at once; a connection that sends more, or nothing, is
// not a later start and may not hold memory or a descriptor for long.
constexpr qint64 kMaxRequestBytes = 64;
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

SingleInstance::Outcome SingleInstance::start(int timeoutMs) {
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
        if (askToShow(static_cast<int>(deadline.remainingTime()))) {
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

bool SingleInstance::askToShow(int timeoutMs) {
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
    socket.write(kShowRequest);
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
            if (socket->readLine(kMaxRequestBytes) == kShowRequest) {
                emit showRequested();
                socket->write(kShowAnswer);
            }
            socket->disconnectFromServer();
        });
    }
}

void SingleInstance::stopAnswering() {
    server_.close();
}

void SingleInstance::release() {
    stopAnswering();
    lock_.unlock();
}
