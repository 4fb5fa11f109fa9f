#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {

const char kPciVendorVmware[] = "0x15ad";

std::string sysfs(const std::string &interface, const char *entry) {
    return "/sys/class/net/" + interface + "/" + entry;
}

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

// Only interfaces backed by a device (physical or para-virtual network cards) count as wired or
// wireless; loopback, bridges, bonds, veth, tunnels and the like have no device.
unsigned adapterType(const std::string &interface) {
    if (firstLine(sysfs(interface, "type")) == "772") {
        return kAdapterTypeLoopback;
    }
    if (firstLine(sysfs(interface, "type")) != "1" || !exists(sysfs(interface, "device"))) {
        return kAdapterTypeOther;
    }
    if (exists(sysfs(interface, "wireless")) || exists(sysfs(interface, "phy80211"))) {
        return kAdapterTypeWireless;
    }
    return kAdapterTypeEthernet;
}

// What the system says of the adapter, so that VMware's virtual cards name their maker as they
// do on Windows.
std::string adapterDescription(const std::string &interface) {
    std::string description = interface;
    const std::string driver = linkBaseName(sysfs(interface, "device/driver"));
    const std::string vendor = firstLine(sysfs(interface, "device/vendor"));
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

}  // namespace

bool listAdapters(std::vector<AdapterRecord> &out) {
    struct ifaddrs *addresses = nullptr;
    if (getifaddrs(&addresses) != 0) {
        return false;
    }
    std::map<std::string, AdapterRecord> byName;
    for (const struct ifaddrs *entry = addresses; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name || !entry->ifa_addr) {
            continue;
        }
        AdapterRecord &record = byName[entry->ifa_name];
        if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto *link = reinterpret_cast<const struct sockaddr_ll *>(entry->ifa_addr);
            record.addressLength = std::min<unsigned>(link->sll_halen, sizeof record.address);
            std::memcpy(record.address, link->sll_addr, record.addressLength);
        } else if (entry->ifa_addr->sa_family == AF_INET && record.firstIp.empty()) {
            char text[INET_ADDRSTRLEN] = {};
            const auto *inet = reinterpret_cast<const struct sockaddr_in *>(entry->ifa_addr);
            inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text);
            record.firstIp = text;
        }
    }
    freeifaddrs(addresses);

    // The system's interface order, as the index numbers give it.
    std::vector<AdapterRecord> adapters;
    struct if_nameindex *names = if_nameindex();
    for (const struct if_nameindex *name = names; name && name->if_index != 0; ++name) {
        const auto found = byName.find(name->if_name);
        if (found == byName.end()) {
            continue;
        }
        AdapterRecord record = found->second;
        record.description = adapterDescription(name->if_name);
        record.type = adapterType(name->if_name);
        if (record.firstIp.empty()) {
            record.firstIp = "0.0.0.0";
        }
        adapters.push_back(record);
    }
    if (names) {
        if_freenameindex(names);
    }
    out = adapters;
    return true;
}

}  // namespace platform
