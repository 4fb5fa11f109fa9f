#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/sysfs_network.h"
#include "platform/platform.h"

namespace platform {

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
    const linux_net::SysfsNetwork sysfs;
    std::vector<AdapterRecord> adapters;
    struct if_nameindex *names = if_nameindex();
    for (const struct if_nameindex *name = names; name && name->if_index != 0; ++name) {
        const auto found = byName.find(name->if_name);
        if (found == byName.end()) {
            continue;
        }
        AdapterRecord record = found->second;
        record.description = sysfs.adapterDescription(name->if_name);
        record.type = sysfs.adapterType(name->if_name);
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
