#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

std::string executablePath() {
    // The link always names the file this process was started from, whatever argv[0] says.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return std::string();
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
