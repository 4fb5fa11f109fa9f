#ifndef PLATFORM_LINUX_SYSFS_NETWORK_H_
#define PLATFORM_LINUX_SYSFS_NETWORK_H_

#include <string>
#include <utility>

namespace platform {
namespace linux_net {

// What the kernel tells of a network interface through sysfs: one folder per interface below
// root, as in /sys/class/net.
class SysfsNetwork {
public:
    explicit SysfsNetwork(std::string root = "/sys/class/net") : root_(std::move(root)) {}

    // Only interfaces backed by a device (physical or para-virtual network cards) count as wired
    // or wireless; loopback, bridges, bonds, veth, tunnels and the like have no device.
    unsigned adapterType(const std::string &interface) const;
    // The interface's name with its driver and vendor, so that VMware's virtual cards name their
    // maker as they do on Windows.
    std::string adapterDescription(const std::string &interface) const;

private:
    std::string path(const std::string &interface, const char *entry) const;

    std::string root_;
};

}  // namespace linux_net
}  // namespace platform

#endif  // PLATFORM_LINUX_SYSFS_NETWORK_H_
