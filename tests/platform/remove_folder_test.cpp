#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/platform.h"

namespace {

bool removeFolder(const QString &path, const QString &keep = QString()) {
    return platform::removeFolder(path.toStdString(), keep.toStdString());
}

class RemoveFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root_.isValid()); }

    QString path(const QString &relative) const { return root_.filePath(relative); }

    void makeFile(const QString &relative, const QByteArray &content = "x") {
        const QString full = path(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(full).absolutePath()));
        QFile file(full);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void makeLink(const QString &target, const QString &relative) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).absolutePath()));
        ASSERT_EQ(symlink(target.toUtf8().constData(), path(relative).toUtf8().constData()), 0);
    }

    bool exists(const QString &relative) const {
        return QFileInfo(path(relative)).exists() || QFileInfo(path(relative)).isSymLink();
    }

    QTemporaryDir root_;
};

TEST_F(RemoveFolderTest, EmptyPathIsRefused) {
    makeFile("data/file");
    EXPECT_FALSE(removeFolder(QString()));
    EXPECT_TRUE(exists("data/file"));
}

TEST_F(RemoveFolderTest, MissingFolderIsAlreadyRemoved) {
    makeFile("data/file");
    EXPECT_TRUE(removeFolder(path("missing")));
    EXPECT_TRUE(exists("data/file"));
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"data"});
}

TEST_F(RemoveFolderTest, NestedTreeGoesCompletely) {
    makeFile("data/a.txt");
    makeFile("data/B.txt");
    makeFile("data/cache/Cache_Data/index");
    makeFile("data/cache/Cache_Data/f_000001", QByteArray(100000, 'z'));
    makeFile("data/cache/Local Storage/leveldb/LOG");
    ASSERT_TRUE(QDir().mkpath(path("data/cache/empty/deeper")));

    EXPECT_TRUE(removeFolder(path("data")));
    EXPECT_FALSE(exists("data"));
}

TEST_F(RemoveFolderTest, NothingAboveTheFolderGoesEvenWhenLeftEmpty) {
    // The client's data folder is usually the only thing in ~/.local/share, and ~/.local may hold
    // nothing else either.
    makeFile("home/.local/share/VantoroClient/cache/index");

    EXPECT_TRUE(removeFolder(path("home/.local/share/VantoroClient")));
    EXPECT_FALSE(exists("home/.local/share/VantoroClient"));
    EXPECT_TRUE(QFileInfo(path("home/.local/share")).isDir());
    EXPECT_TRUE(QFileInfo(path("home")).isDir());
}

TEST_F(RemoveFolderTest, NonEmptyParentStays) {
    makeFile("home/.local/share/VantoroClient/cache/index");
    makeFile("home/.local/share/other-program/settings");

    EXPECT_TRUE(removeFolder(path("home/.local/share/VantoroClient")));
    EXPECT_FALSE(exists("home/.local/share/VantoroClient"));
    EXPECT_TRUE(exists("home/.local/share/other-program/settings"));
}

TEST_F(RemoveFolderTest, HiddenFileSurvivesWithEveryFolderOnItsPath) {
    makeFile("data/cache/deep/.keep", "kept");
    makeFile("data/cache/deep/visible");
    makeFile("data/cache/other/file");
    makeFile("data/top");

    EXPECT_FALSE(removeFolder(path("data")));
    EXPECT_TRUE(exists("data/cache/deep/.keep"));
    EXPECT_FALSE(exists("data/cache/deep/visible"));
    EXPECT_FALSE(exists("data/cache/other"));
    EXPECT_FALSE(exists("data/top"));
    QFile kept(path("data/cache/deep/.keep"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "kept");
}

TEST_F(RemoveFolderTest, LinksGoAsLinksAndTheirTargetsStayUntouched) {
    makeFile("outside/folder/precious.txt", "precious");
    makeFile("outside/folder/sub/more.txt");
    makeFile("outside/single.txt", "single");
    makeFile("data/plain");
    makeLink(path("outside/folder"), "data/to-folder");
    makeLink(path("outside/folder"), "data/cache/Z-to-folder");
    makeLink(path("outside/single.txt"), "data/to-file");
    makeLink(path("outside/gone"), "data/dangling");
    makeLink("../../outside/folder/sub", "data/cache/relative");

    EXPECT_TRUE(removeFolder(path("data")));
    EXPECT_FALSE(exists("data"));
    EXPECT_TRUE(exists("outside/folder/precious.txt"));
    EXPECT_TRUE(exists("outside/folder/sub/more.txt"));
    EXPECT_TRUE(exists("outside/single.txt"));
    QFile precious(path("outside/folder/precious.txt"));
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "precious");
}

TEST_F(RemoveFolderTest, FolderThatIsALinkGoesAsALink) {
    makeFile("other-disk/VantoroClient/cache/Cookies", "cookies");
    makeLink(path("other-disk/VantoroClient"), "home/VantoroClient");

    EXPECT_TRUE(removeFolder(path("home/VantoroClient/")));
    EXPECT_FALSE(exists("home/VantoroClient"));
    EXPECT_TRUE(exists("other-disk/VantoroClient/cache/Cookies"));
}

TEST_F(RemoveFolderTest, KeptFileStaysWithItsFolder) {
    makeFile("data/client.lock");
    makeFile("data/cache/index");

    EXPECT_FALSE(removeFolder(path("data"), path("data/client.lock")));
    EXPECT_EQ(QDir(path("data")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"client.lock"});
}

TEST_F(RemoveFolderTest, DanglingLinkGoes) {
    makeLink(path("nowhere"), "data/dangling");
    EXPECT_TRUE(removeFolder(path("data")));
    EXPECT_FALSE(exists("data"));
}

TEST_F(RemoveFolderTest, SpecialFilesStayWithTheirFolders) {
    makeFile("data/file");
    ASSERT_TRUE(QDir().mkpath(path("data/pipes")));
    ASSERT_EQ(mkfifo(path("data/pipes/fifo").toUtf8().constData(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = path("data/socket").toUtf8();
    ASSERT_LT(static_cast<size_t>(socketPath.size()), sizeof address.sun_path);
    memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    EXPECT_FALSE(removeFolder(path("data")));
    close(listener);
    EXPECT_TRUE(exists("data/pipes/fifo"));
    EXPECT_TRUE(exists("data/socket"));
    EXPECT_FALSE(exists("data/file"));
}

// Mounts in a mount namespace of this process's own, so that none outlives the test elsewhere.
class Mounts {
public:
    static bool isolate() {
        return unshare(CLONE_NEWNS) == 0 &&
               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }
    bool add(const char *source, const QString &target, const char *type, unsigned long flags) {
        const QByteArray path = target.toUtf8();
        if (mount(source, path.constData(), type, flags, nullptr) != 0) {
            return false;
        }
        targets_ << path;
        return true;
    }
    ~Mounts() {
        for (const QByteArray &target : targets_) {
            umount2(target.constData(), MNT_DETACH);
        }
    }

private:
    QList<QByteArray> targets_;
};

TEST_F(RemoveFolderTest, MountsBelowTheFolderAreNotEntered) {
    if (!Mounts::isolate()) {
        GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
    }
    makeFile("elsewhere/precious", "precious");
    makeFile("data/file");
    ASSERT_TRUE(QDir().mkpath(path("data/bound")));
    ASSERT_TRUE(QDir().mkpath(path("data/cache/memory")));
    Mounts mounts;
    // A bind mount of a folder on the same file system shows the same device number.
    if (!mounts.add(path("elsewhere").toUtf8().constData(), path("data/bound"), nullptr, MS_BIND)) {
        GTEST_SKIP() << "mounting refused: " << std::strerror(errno);
    }
    ASSERT_TRUE(mounts.add("none", path("data/cache/memory"), "tmpfs", 0));
    makeFile("data/cache/memory/on-tmpfs");

    EXPECT_FALSE(removeFolder(path("data")));
    EXPECT_TRUE(exists("data/bound/precious"));
    EXPECT_TRUE(exists("data/cache/memory/on-tmpfs"));
    EXPECT_FALSE(exists("data/file"));
}

}  // namespace
