#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>

#include <dirent.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "stats/device_id.h"

namespace {

std::string firstLine(const std::string &path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// Interfaces the system backs with a network device of Ethernet type, from sysfs directly.
std::vector<std::string> ethernetDevices() {
    std::vector<std::string> names;
    DIR *dir = opendir("/sys/class/net");
    if (!dir)
        return names;
    while (const struct dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string base = "/sys/class/net/" + name;
        struct stat info;
        if (name[0] != '.' && firstLine(base + "/type") == "1" &&
            stat((base + "/device").c_str(), &info) == 0 &&
            stat((base + "/wireless").c_str(), &info) != 0) {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

TEST(LinuxAdaptersTest, FindsTheMachinesEthernetAdapterAndNeverLoopback) {
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    const std::vector<std::string> devices = ethernetDevices();
    if (devices.empty()) {
        GTEST_SKIP() << "this machine has no Ethernet device";
    }
    for (const std::string &name : devices) {
        SCOPED_TRACE(name);
        bool found = false;
        for (const platform::AdapterRecord &adapter : adapters) {
            if (adapter.description.rfind(name + " ", 0) != 0 && adapter.description != name) {
                continue;
            }
            found = true;
            EXPECT_EQ(adapter.type, platform::kAdapterTypeEthernet);
            EXPECT_EQ(adapter.addressLength, 6u);
            EXPECT_EQ(formatAdapterAddress(adapter.address, adapter.addressLength), [&] {
                std::string text = firstLine("/sys/class/net/" + name + "/address");
                for (char &c : text)
                    c = c == ':' ? '-' : c;
                return text;
            }());
        }
        EXPECT_TRUE(found);
    }
    for (const platform::AdapterRecord &adapter : adapters) {
        if (adapter.description.rfind("lo", 0) == 0 && adapter.firstIp == "127.0.0.1") {
            EXPECT_NE(adapter.type, platform::kAdapterTypeEthernet);
            EXPECT_NE(adapter.type, platform::kAdapterTypeWireless);
        }
    }
}

TEST(LinuxOsVersionTest, NamesTheKernelsNumbers) {
    struct utsname system;
    ASSERT_EQ(uname(&system), 0);
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(system.release, "%u.%u.%u", &major, &minor, &patch);
    EXPECT_EQ(platform::osVersionText(), "linux" + std::to_string(major) + "." +
                                             std::to_string(minor) + "." + std::to_string(patch));
}

}  // namespace
