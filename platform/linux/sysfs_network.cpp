#include "platform/linux/sysfs_network.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>

#include "platform/platform.h"

namespace platform {
namespace linux_net {

namespace {

const char kPciVendorVmware[] = "0x15ad";

bool exists(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string firstLine(const std::string &path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string linkBaseName(const std::string &path) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    if (length <= 0) {
        return std::string();
    }
    target[length] = '\0';
    const char *slash = std::strrchr(target, '/');
    return slash ? slash + 1 : target;
}

}  // namespace

std::string SysfsNetwork::path(const std::string &interface, const char *entry) const {
    return root_ + "/" + interface + "/" + entry;
}

unsigned SysfsNetwork::adapterType(const std::string &interface) const {
    const std::string type = firstLine(path(interface, "type"));
    if (type == "772") {
        return kAdapterTypeLoopback;
    }
    if (type != "1" || !exists(path(interface, "device"))) {
        return kAdapterTypeOther;
    }
    if (exists(path(interface, "wireless")) || exists(path(interface, "phy80211"))) {
        return kAdapterTypeWireless;
    }
    return kAdapterTypeEthernet;
}

std::string SysfsNetwork::adapterDescription(const std::string &interface) const {
    std::string description = interface;
    const std::string driver = linkBaseName(path(interface, "device/driver"));
    const std::string vendor = firstLine(path(interface, "device/vendor"));
    if (!driver.empty()) {
        description += " driver " + driver;
    }
    if (!vendor.empty()) {
        description += " vendor " + vendor;
    }
    if (driver.rfind("vmxnet", 0) == 0 || vendor == kPciVendorVmware) {
        description += " (VMware virtual adapter)";
    }
    return description;
}

}  // namespace linux_net
}  // namespace platform
