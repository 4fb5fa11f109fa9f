#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/linux/sysfs_network.h"
#include "platform/platform.h"
#include "stats/device_id.h"

namespace {

namespace fs = std::filesystem;
using platform::linux_net::SysfsNetwork;

std::string firstLine(const std::string &path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// A /sys/class/net of the test's own.
class SysfsNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vt-sysfs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    // An interface of the given link type, backed by a device with driver and vendor when
    // driver is given, with further empty folders such as "wireless".
    void add(const std::string &name, const char *type, const char *driver = nullptr,
             const char *vendor = nullptr, std::vector<const char *> folders = {}) {
        const fs::path folder = root_ / name;
        fs::create_directories(folder);
        std::ofstream(folder / "type") << type << "\n";
        if (driver) {
            fs::create_directories(folder / "device");
            fs::create_symlink(std::string("../../../bus/pci/drivers/") + driver,
                               folder / "device" / "driver");
            std::ofstream(folder / "device" / "vendor") << vendor << "\n";
        }
        for (const char *entry : folders) {
            fs::create_directories(folder / entry);
        }
    }

    SysfsNetwork sysfs() const { return SysfsNetwork(root_.string()); }

    fs::path root_;
};

TEST_F(SysfsNetworkTest, OnlyDeviceBackedCardsAreWiredOrWireless) {
    add("eth0", "1", "e1000e", "0x8086");
    add("wlan0", "1", "iwlwifi", "0x8086", {"wireless"});
    add("wlp2s0", "1", "ath9k", "0x168c", {"phy80211"});
    add("veth0", "1");
    add("lo", "772");
    add("tun0", "65534");
    add("ib0", "32", "mlx4", "0x15b3");
    const SysfsNetwork network = sysfs();
    EXPECT_EQ(network.adapterType("eth0"), platform::kAdapterTypeEthernet);
    EXPECT_EQ(network.adapterType("wlan0"), platform::kAdapterTypeWireless);
    EXPECT_EQ(network.adapterType("wlp2s0"), platform::kAdapterTypeWireless);
    EXPECT_EQ(network.adapterType("lo"), platform::kAdapterTypeLoopback);
    for (const char *other : {"veth0", "tun0", "ib0", "gone0"}) {
        EXPECT_EQ(network.adapterType(other), platform::kAdapterTypeOther) << other;
    }
}

TEST_F(SysfsNetworkTest, DescriptionNamesDriverVendorAndVmwareCards) {
    add("eth0", "1", "e1000e", "0x8086");
    add("ens192", "1", "vmxnet3", "0x15ad");
    add("ens33", "1", "e1000", "0x15ad");
    add("veth0", "1");
    const SysfsNetwork network = sysfs();
    EXPECT_EQ(network.adapterDescription("eth0"), "eth0 driver e1000e vendor 0x8086");
    EXPECT_EQ(network.adapterDescription("ens192"),
              "ens192 driver vmxnet3 vendor 0x15ad (VMware virtual adapter)");
    EXPECT_EQ(network.adapterDescription("ens33"),
              "ens33 driver e1000 vendor 0x15ad (VMware virtual adapter)");
    EXPECT_EQ(network.adapterDescription("veth0"), "veth0");
}

// The machine's own interfaces: addresses as the kernel reports them elsewhere, and loopback
// never taken for a card.
TEST(LinuxAdaptersTest, AddressesAreTheKernelsAndLoopbackIsNoCard) {
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    bool sawLoopback = false;
    for (const platform::AdapterRecord &adapter : adapters) {
        const std::string name = adapter.description.substr(0, adapter.description.find(' '));
        SCOPED_TRACE(name);
        // Every interface, so that an address left out shows as well as a wrong one.
        std::string expected = firstLine("/sys/class/net/" + name + "/address");
        for (char &c : expected) {
            c = c == ':' ? '-' : c;
        }
        EXPECT_EQ(formatAdapterAddress(adapter.address, adapter.addressLength), expected);
        if (name == "lo") {
            sawLoopback = true;
            EXPECT_EQ(adapter.type, platform::kAdapterTypeLoopback);
            EXPECT_EQ(adapter.firstIp, "127.0.0.1");
        }
    }
    EXPECT_TRUE(sawLoopback);
}

TEST(LinuxOsVersionTest, NamesTheKernelsReleaseNumbers) {
    const std::string text = platform::osVersionText();
    std::smatch numbers;
    ASSERT_TRUE(std::regex_match(text, numbers, std::regex("linux(\\d+\\.\\d+\\.\\d+)"))) << text;
    // The release as the kernel gives it, distribution suffix and all ("6.1.0-28-amd64").
    EXPECT_EQ(firstLine("/proc/sys/kernel/osrelease").rfind(numbers[1].str(), 0), 0u) << text;
}

TEST(LinuxPlatform, EndRequestIsReadFromThePipeAndASecondOneEndsAtOnce) {
    const pid_t child = fork();
    if (child == 0) {
        const int requests = platform::watchEndRequests();
        kill(getpid(), SIGHUP);
        char byte = 0;
        if (requests < 0 || read(requests, &byte, 1) != 1 || byte != SIGHUP) {
            _exit(1);
        }
        kill(getpid(), SIGTERM);
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

// A Wayland session whose compositor is gone shows the window on the X display and says so once;
// a compositor that answers, a window system the user named or no X display leave the choice.
TEST(LinuxPlatform, WindowGoesToX11OnlyWhenNoCompositorAnswers) {
    char folder[] = "/tmp/vt-wayland-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    setenv("DISPLAY", ":99", 1);
    setenv("WAYLAND_DISPLAY", "wayland-gone", 1);
    unsetenv("WAYLAND_SOCKET");
    unsetenv("QT_QPA_PLATFORM");
    const std::string note = platform::chooseWindowSystem();
    EXPECT_NE(note.find(std::string(folder) + "/wayland-gone"), std::string::npos) << note;
    ASSERT_NE(getenv("QT_QPA_PLATFORM"), nullptr);
    EXPECT_STREQ(getenv("QT_QPA_PLATFORM"), "xcb");
    EXPECT_EQ(platform::chooseWindowSystem(), "");

    unsetenv("QT_QPA_PLATFORM");
    const std::string live = std::string(folder) + "/wayland-live";
    const int compositor = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, live.c_str());
    ASSERT_EQ(bind(compositor, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(compositor, 4), 0);
    setenv("WAYLAND_DISPLAY", "wayland-live", 1);
    EXPECT_EQ(platform::chooseWindowSystem(), "");
    close(compositor);
    unlink(live.c_str());

    setenv("WAYLAND_DISPLAY", "wayland-gone", 1);
    unsetenv("DISPLAY");
    EXPECT_EQ(platform::chooseWindowSystem(), "");
    EXPECT_EQ(getenv("QT_QPA_PLATFORM"), nullptr);
    rmdir(folder);
}

TEST(LinuxPlatform, MovingNeverReplacesAFileOrALinkNorCopies) {
    char pattern[] = "/tmp/vt-move-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const std::string part = (dir / "part").string();
    std::ofstream(dir / "part") << "download";
    std::ofstream(dir / "taken") << "kept";
    fs::create_symlink(dir / "elsewhere", dir / "dangling");

    using platform::MoveResult;
    EXPECT_EQ(platform::moveWithoutReplacing(part, (dir / "taken").string()), MoveResult::kExists);
    EXPECT_EQ(platform::moveWithoutReplacing(part, (dir / "dangling").string()),
              MoveResult::kExists);
    EXPECT_EQ(firstLine((dir / "taken").string()), "kept");
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));

    EXPECT_EQ(platform::moveWithoutReplacing(part, (dir / "free").string()), MoveResult::kMoved);
    EXPECT_EQ(firstLine((dir / "free").string()), "download");
    EXPECT_FALSE(fs::exists(dir / "part"));
    EXPECT_EQ(platform::moveWithoutReplacing(part, (dir / "other").string()), MoveResult::kFailed);
    fs::remove_all(dir);
}

}  // namespace

namespace {

// A socket connected to listener's port on 127.0.0.1 from family's loopback (an IPv6 socket
// reaches it as ::ffff:127.0.0.1).
int connectTo(int listener, int family) {
    sockaddr_in address = {};
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    const int s = socket(family, SOCK_STREAM, 0);
    if (family == AF_INET6) {
        sockaddr_in6 mapped = {};
        mapped.sin6_family = AF_INET6;
        mapped.sin6_port = address.sin_port;
        inet_pton(AF_INET6, "::ffff:127.0.0.1", &mapped.sin6_addr);
        connect(s, reinterpret_cast<sockaddr *>(&mapped), sizeof mapped);
    } else {
        connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    return s;
}

// A process of the user "nobody" that connects to listener and holds the connection until the
// pipe's write end closes.
pid_t connectAsNobody(int listener, const int hold[2]) {
    const pid_t child = fork();
    if (child == 0) {
        close(hold[1]);
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) {
            _exit(2);
        }
        const int s = connectTo(listener, AF_INET);
        char byte;
        if (read(hold[0], &byte, 1) < 0) {
            _exit(3);
        }
        close(s);
        _exit(0);
    }
    return child;
}

}  // namespace

TEST(LinuxPlatform, OnlyThisUsersTcpPeersAreAdmitted) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    const auto acceptOne = [listener] {
        for (int i = 0; i < 200; ++i) {
            const int s = accept(listener, nullptr, nullptr);
            if (s >= 0 || errno != EAGAIN) {
                return s;
            }
            usleep(5000);
        }
        return -1;
    };

    for (int family : {AF_INET, AF_INET6}) {
        const int own = connectTo(listener, family);
        const int accepted = acceptOne();
        ASSERT_GE(accepted, 0);
        EXPECT_TRUE(platform::tcpPeerIsOwnUser(accepted)) << family;
        close(own);
        close(accepted);
    }
    // Not connected: nobody to tell.
    EXPECT_FALSE(platform::tcpPeerIsOwnUser(listener));
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to connect as another user";
    }
    int hold[2];
    ASSERT_EQ(pipe(hold), 0);
    pid_t child = connectAsNobody(listener, hold);
    int accepted = acceptOne();
    ASSERT_GE(accepted, 0);
    EXPECT_FALSE(platform::tcpPeerIsOwnUser(accepted));
    close(accepted);

    // Once admitted only, the other user's connection is passed over as if it had not come,
    // and this user's next one is accepted.
    ASSERT_TRUE(platform::admitOwnUserOnly());
    pid_t second = connectAsNobody(listener, hold);
    usleep(200000);
    errno = 0;
    EXPECT_EQ(accept(listener, nullptr, nullptr), -1);
    EXPECT_EQ(errno, EAGAIN);
    const int own = connectTo(listener, AF_INET);
    accepted = acceptOne();
    EXPECT_GE(accepted, 0);
    close(hold[1]);
    close(hold[0]);
    close(own);
    close(accepted);
    close(listener);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    waitpid(second, &status, 0);
    EXPECT_EQ(status, 0);
}

TEST(LinuxPlatform, StartAtLoginIsAnAutostartEntryThatComesAndGoes) {
    char folder[] = "/tmp/vt-autostart-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const char *saved = getenv("XDG_CONFIG_HOME");
    const std::string kept = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", folder, 1);
    const std::string entry = std::string(folder) + "/autostart/vantoro-client.desktop";

    EXPECT_FALSE(platform::startsAtLogin());
    ASSERT_TRUE(platform::setStartAtLogin(true));
    EXPECT_TRUE(platform::startsAtLogin());
    std::ifstream file(entry);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("\nExec=\"" + platform::executablePath() + "\"\n"), std::string::npos)
        << text;
    // The desktop's own checker reads it as a valid entry.
    EXPECT_EQ(system(("desktop-file-validate " + entry).c_str()), 0);

    ASSERT_TRUE(platform::setStartAtLogin(false));
    EXPECT_FALSE(platform::startsAtLogin());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(platform::setStartAtLogin(false));

    saved ? setenv("XDG_CONFIG_HOME", kept.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(folder);
}
