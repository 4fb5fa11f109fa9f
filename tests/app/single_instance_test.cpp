#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include "app/single_instance.h"

namespace {

// A later start runs its blocking hand-over on a thread of its own, so that the running client,
// on this thread, can answer it.
SingleInstance::Outcome startElsewhere(const QString &folder, int timeoutMs, int answerAfterMs) {
    SingleInstance::Outcome outcome = SingleInstance::kFirst;
    QThread *thread = QThread::create([&] { outcome = SingleInstance(folder).start(timeoutMs); });
    thread->start();
    // The running client may be busy starting up before its event loop turns.
    QThread::msleep(static_cast<unsigned long>(answerAfterMs));
    while (!thread->wait(10)) {
        QCoreApplication::processEvents();
    }
    delete thread;
    return outcome;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QString folder() const { return dir_.filePath(QStringLiteral("home/data")); }
    QTemporaryDir dir_;
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

TEST_F(SingleInstanceTest, LockOfADeadClientIsTakenOver) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(QDir().mkpath(folder()));
    SingleInstance first(folder());
    QFile lock(first.lockFilePath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(child) + "\n" + QCoreApplication::applicationName().toUtf8() +
               "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    // The crashed client also left its socket behind.
    QFile socket(QDir::tempPath() + QLatin1Char('/') + SingleInstance::serverName(folder()));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    ASSERT_EQ(first.start(2000), SingleInstance::kFirst);
    EXPECT_EQ(startElsewhere(folder(), 2000, 0), SingleInstance::kHandedOver);
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
