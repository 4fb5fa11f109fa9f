#include <sys/utsname.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace platform {

std::string osVersionText() {
    struct utsname system;
    if (uname(&system) != 0) {
        return std::string();
    }
    // The release carries distribution suffixes ("6.1.0-28-amd64"); only the numbers count.
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;
    const int fields = std::sscanf(system.release, "%u.%u.%u", &major, &minor, &patch);
    if (fields < 2) {
        return std::string();
    }
    return "linux" + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(patch);
}

}  // namespace platform
