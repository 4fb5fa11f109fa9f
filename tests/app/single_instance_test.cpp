#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <vector>

#include "app/single_instance.h"

namespace {

// A later start runs its blocking hand-over on a thread of its own, so that the running client,
// on this thread, can answer it.
SingleInstance::Outcome startElsewhere(const QString &folder, int timeoutMs, int answerAfterMs,
                                       const QByteArray &token = QByteArray(),
                                       const QByteArray &page = QByteArray()) {
    SingleInstance::Outcome outcome = SingleInstance::kFirst;
    QThread *thread =
        QThread::create([&] { outcome = SingleInstance(folder).start(timeoutMs, token, page); });
    thread->start();
    // The running client may be busy starting up before its event loop turns.
    QThread::msleep(static_cast<unsigned long>(answerAfterMs));
    while (!thread->wait(10)) {
        QCoreApplication::processEvents();
    }
    delete thread;
    return outcome;
}

// Dispatches events until done() holds or ten seconds have passed.
template <typename Done>
bool waitUntil(Done done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_RUNTIME_DIR");
        ASSERT_EQ(mkdir(runtime().toUtf8().constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", runtime().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", saved_); }

    QString folder() const { return dir_.filePath(QStringLiteral("home/data")); }
    QString runtime() const { return dir_.filePath(QStringLiteral("runtime")); }
    QString socketPath() const {
        return runtime() + QLatin1Char('/') + SingleInstance::serverName(folder());
    }
    void writeLockFile(const QByteArray &content) {
        ASSERT_TRUE(QDir().mkpath(folder()));
        QFile lock(folder() + QStringLiteral("/client.lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(content);
    }

    QTemporaryDir dir_;
    QByteArray saved_;
};

TEST_F(SingleInstanceTest, LaterStartHandsOverToTheRunningClient) {
    SingleInstance first(folder());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);

    EXPECT_EQ(startElsewhere(folder() + QStringLiteral("/./"), 2000, 500),
              SingleInstance::kHandedOver);
    EXPECT_EQ(shown.count(), 1);

    // A client that stopped answering (it is ending) is not handed over to.
    first.stopAnswering();
    EXPECT_EQ(startElsewhere(folder(), 300, 0), SingleInstance::kNoAnswer);
    EXPECT_EQ(shown.count(), 1);

    first.release();
    EXPECT_EQ(SingleInstance(folder()).start(2000), SingleInstance::kFirst);
}

// Only a window shown with the desktop's token may come to the front on Wayland; a token that
// could not be one is left out, and the window still shows.
TEST_F(SingleInstanceTest, LaterStartHandsItsActivationTokenOver) {
    SingleInstance first(folder());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    for (const QByteArray &token : {QByteArray("weston-7_a1b2"), QByteArray("two words"),
                                    QByteArray(300, 'x'), QByteArray()}) {
        EXPECT_EQ(startElsewhere(folder(), 2000, 0, token), SingleInstance::kHandedOver);
    }
    ASSERT_EQ(shown.count(), 4);
    EXPECT_EQ(shown.at(0).at(0).toByteArray(), "weston-7_a1b2");
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(shown.at(i).at(0).toByteArray().isEmpty()) << i;
    }
}

// The page comes with the token; a line longer than the bound, or a page that is no encoded URL,
// opens nothing and gets no answer.
TEST_F(SingleInstanceTest, LaterStartHandsItsPageOver) {
    SingleInstance first(folder());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    const QByteArray page = "https://live.vantoro.example/room/1?a=%20b";
    EXPECT_EQ(startElsewhere(folder(), 2000, 0, "tok", page), SingleInstance::kHandedOver);
    EXPECT_EQ(startElsewhere(folder(), 2000, 0, QByteArray(), page), SingleInstance::kHandedOver);
    const QByteArray longest = "https://x/" + QByteArray(SingleInstance::kMaxPageLength - 10, 'a');
    EXPECT_EQ(startElsewhere(folder(), 2000, 0, QByteArray(), longest),
              SingleInstance::kHandedOver);
    ASSERT_EQ(opened.count(), 3);
    EXPECT_EQ(opened.at(0).at(0).toByteArray(), page);
    EXPECT_EQ(opened.at(0).at(1).toByteArray(), "tok");
    EXPECT_TRUE(opened.at(1).at(1).toByteArray().isEmpty());
    EXPECT_EQ(opened.at(2).at(0).toByteArray(), longest);
    EXPECT_EQ(shown.count(), 0);

    for (const QByteArray &line :
         {"open " + longest + "a\n", "open " + longest + " " + QByteArray(255, 't') + "x\n",
          "open " + QByteArray(4000, 'a') + "\n", QByteArray("open\n"), QByteArray("open a b c\n"),
          QByteArray("open \x01\n")}) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(line);
        EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }))
            << line.left(20).constData();
        EXPECT_EQ(socket.readAll(), QByteArray()) << line.left(20).constData();
    }
    EXPECT_EQ(opened.count(), 3);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(SingleInstanceTest, LockOfADeadClientIsTakenOver) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    writeLockFile(QByteArray::number(child) + "\n" + QCoreApplication::applicationName().toUtf8() +
                  "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    // The crashed client also left its socket behind.
    QFile socket(socketPath());
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    SingleInstance first(folder());
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    EXPECT_EQ(first.answerFailure(), QString());
    EXPECT_EQ(startElsewhere(folder(), 2000, 0), SingleInstance::kHandedOver);
}

TEST_F(SingleInstanceTest, UnreadableLockFileThatNobodyHoldsIsTakenOver) {
    // Empty after a crash between creation and first write; written by another machine that
    // shares the home folder.
    for (const QByteArray &content :
         {QByteArray(), QByteArray("4242\nvantoro-client\nanother-host.example\n")}) {
        writeLockFile(content);
        SingleInstance first(folder());
        EXPECT_EQ(first.start(2000), SingleInstance::kFirst) << content.constData();
    }
}

TEST_F(SingleInstanceTest, SocketIsInTheUsersOwnFolderNotAtAPublicName) {
    SingleInstance first(folder());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    EXPECT_TRUE(QFileInfo::exists(socketPath()));

    // Another user's server at the shared temporary folder's name answers every start.
    const QString publicName =
        QDir::tempPath() + QLatin1Char('/') + SingleInstance::serverName(folder());
    QLocalServer squatter;
    QLocalServer::removeServer(publicName);
    ASSERT_TRUE(squatter.listen(publicName));
    QObject::connect(&squatter, &QLocalServer::newConnection,
                     [&squatter] { squatter.nextPendingConnection()->write("shown\n"); });
    EXPECT_EQ(startElsewhere(folder(), 2000, 0), SingleInstance::kHandedOver);
    EXPECT_EQ(shown.count(), 1);
    QLocalServer::removeServer(publicName);
}

TEST_F(SingleInstanceTest, WithoutAPrivateFolderTheClientRunsAndSaysWhyNobodyIsAnswered) {
    // The runtime folder is open to others, and another user made the fallback folder first.
    ASSERT_EQ(chmod(runtime().toUtf8().constData(), 0755), 0);
    const QString temporary = dir_.filePath(QStringLiteral("tmp"));
    const QString taken =
        temporary + QStringLiteral("/vantoro-client-runtime-") + QString::number(geteuid());
    ASSERT_TRUE(QDir().mkpath(taken));
    ASSERT_EQ(chmod(taken.toUtf8().constData(), 0700), 0);
    ASSERT_EQ(chown(taken.toUtf8().constData(), geteuid() + 1, 0), 0);
    const QByteArray savedTemporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", temporary.toUtf8());

    SingleInstance first(folder());
    EXPECT_EQ(first.start(2000), SingleInstance::kFirst);
    EXPECT_NE(first.answerFailure(), QString());
    EXPECT_EQ(startElsewhere(folder(), 300, 0), SingleInstance::kNoAnswer);
    EXPECT_TRUE(QDir(taken).isEmpty());
    qputenv("TMPDIR", savedTemporary);
}

TEST_F(SingleInstanceTest, ConnectionsWithoutAShortLineAreDropped) {
    SingleInstance first(folder());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    std::vector<std::unique_ptr<QLocalSocket>> sockets;
    int connected = 0;
    for (int i = 0; i < 300; ++i) {
        sockets.push_back(std::make_unique<QLocalSocket>());
        QObject::connect(sockets.back().get(), &QLocalSocket::connected, [&] { ++connected; });
        sockets.back()->connectToServer(socketPath());
        // The client accepts between them, as its event loop would.
        QCoreApplication::processEvents();
    }
    // A megabyte without a line end, sent while the client reads.
    sockets.front()->write(QByteArray(1 << 20, 'x'));

    EXPECT_TRUE(waitUntil([&] {
        for (const auto &socket : sockets) {
            if (socket->state() != QLocalSocket::UnconnectedState) {
                return false;
            }
        }
        return true;
    }));
    EXPECT_EQ(connected, 300);
    EXPECT_EQ(startElsewhere(folder(), 2000, 0), SingleInstance::kHandedOver);
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(SingleInstanceTest, FolderThatCannotBeWrittenRunsUnguarded) {
    QFile file(dir_.filePath(QStringLiteral("home")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(SingleInstance(folder()).start(2000), SingleInstance::kUnguarded);
}

TEST_F(SingleInstanceTest, ServerNameIsShortAndNamesTheFolder) {
    const QString deep = QStringLiteral("/home/u/") + QString(3000, QLatin1Char('x'));
    EXPECT_LE(SingleInstance::serverName(deep).size(), 40);
    EXPECT_EQ(SingleInstance::serverName(deep), SingleInstance::serverName(deep + "/"));
    EXPECT_NE(SingleInstance::serverName(deep), SingleInstance::serverName(deep + "y"));
}

}  // namespace
