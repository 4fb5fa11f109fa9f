#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

namespace {

const char kLockFileName[] = "client.lock";
const char kShowRequest[] = "show\n";
const char kShowAnswer[] = "shown\n";
constexpr int kRetryPauseMs = 50;

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

SingleInstance::Outcome SingleInstance::start(int timeoutMs) {
    QDir().mkpath(dataFolder_);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock_.tryLock(0)) {
            // The name is ours while the lock is: a socket file left by a crashed client goes.
            const QString name = serverName(dataFolder_);
            QLocalServer::removeServer(name);
            server_.setSocketOptions(QLocalServer::UserAccessOption);
            server_.listen(name);
            return kFirst;
        }
        if (lock_.error() != QLockFile::LockFailedError) {
            return kUnguarded;
        }
        if (askToShow(static_cast<int>(deadline.remainingTime()))) {
            return kHandedOver;
        }
        if (deadline.hasExpired()) {
            return kNoAnswer;
        }
        QThread::msleep(kRetryPauseMs);
    }
}

bool SingleInstance::askToShow(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(serverName(dataFolder_));
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
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            if (socket->readLine() == kShowRequest) {
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
