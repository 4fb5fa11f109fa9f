#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {

std::string gOriginalAddress;
bool gToldBusGone = false;

// Said once: the screen-saver inhibition and the media controls end with the bus.
void tellBusGone() {
    if (!gToldBusGone) {
        gToldBusGone = true;
        std::fprintf(stderr,
                     "vantoro-client: the session bus has gone; the screen may sleep during "
                     "playback and the desktop's media controls no longer reach the client\n");
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The bus's socket from the first entry of a D-Bus address: "unix:path=..." or
// "unix:abstract=..." (values percent-escaped). False for every other transport.
bool socketOf(const std::string &address, sockaddr_un &out, socklen_t &length) {
    const std::string entry = address.substr(0, address.find(';'));
    if (entry.compare(0, 5, "unix:") != 0) {
        return false;
    }
    bool abstract = false;
    std::string value;
    size_t start = 5;
    while (start <= entry.size()) {
        const size_t end = std::min(entry.find(',', start), entry.size());
        const std::string pair = entry.substr(start, end - start);
        if (pair.compare(0, 5, "path=") == 0) {
            value = pair.substr(5);
        } else if (pair.compare(0, 9, "abstract=") == 0) {
            value = pair.substr(9);
            abstract = true;
        }
        start = end + 1;
    }
    std::string path;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && hexValue(value[i + 1]) >= 0 &&
            hexValue(value[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(value[i + 1]) * 16 + hexValue(value[i + 2]));
            i += 2;
        } else {
            path += value[i];
        }
    }
    const size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof out.sun_path) {
        return false;
    }
    std::memset(&out, 0, sizeof out);
    out.sun_family = AF_UNIX;
    std::memcpy(out.sun_path + offset, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                    (abstract ? 0 : 1));
    return true;
}

bool writeAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t written = send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// One connection of a program in this process: its end (inner) and the bus's (outer, -1 once
// the bus has gone).
struct Link {
    int inner;
    int outer;
};

void relay(int listener, sockaddr_un bus, socklen_t bus_length) {
    std::vector<Link> links;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::vector<pollfd> watched{{listener, POLLIN, 0}};
        for (const Link &link : links) {
            watched.push_back({link.inner, POLLIN, 0});
            watched.push_back({link.outer, POLLIN, 0});
        }
        if (poll(watched.data(), watched.size(), -1) < 0) {
            continue;
        }
        for (size_t i = 0; i < links.size(); ++i) {
            Link &link = links[i];
            const pollfd &inner = watched[1 + 2 * i];
            const pollfd &outer = watched[2 + 2 * i];
            if (outer.revents && link.outer >= 0) {
                const ssize_t got = recv(link.outer, buffer.data(), buffer.size(), 0);
                if (got <= 0 || !writeAll(link.inner, buffer.data(), static_cast<size_t>(got))) {
                    // The bus went away. The program keeps a connection that no longer
                    // answers, which it survives, where a closed one would end it.
                    close(link.outer);
                    link.outer = -1;
                    tellBusGone();
                }
            }
            if (inner.revents) {
                const ssize_t got = recv(link.inner, buffer.data(), buffer.size(), 0);
                if (got <= 0) {
                    close(link.inner);
                    if (link.outer >= 0) {
                        close(link.outer);
                    }
                    link.inner = -1;
                } else if (link.outer >= 0 &&
                           !writeAll(link.outer, buffer.data(), static_cast<size_t>(got))) {
                    close(link.outer);
                    link.outer = -1;
                }
            }
        }
        std::vector<Link> open;
        for (const Link &link : links) {
            if (link.inner >= 0) {
                open.push_back(link);
            }
        }
        links.swap(open);
        if (watched[0].revents & POLLIN) {
            const int inner = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (inner < 0) {
                continue;
            }
            const int outer = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (outer < 0 ||
                connect(outer, reinterpret_cast<const sockaddr *>(&bus), bus_length) != 0) {
                // No bus: the program sees the connection refused, as without the relay.
                if (outer >= 0) {
                    close(outer);
                }
                close(inner);
                continue;
            }
            links.push_back({inner, outer});
        }
    }
}

}  // namespace

bool relaySessionBus() {
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    sockaddr_un bus;
    socklen_t bus_length = 0;
    if (!address || !socketOf(address, bus, bus_length)) {
        return false;
    }
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return false;
    }
    // In the abstract namespace: nothing to remove when the process ends, however it ends.
    const std::string name = "vantoro-client-bus-" + std::to_string(getpid());
    sockaddr_un own;
    std::memset(&own, 0, sizeof own);
    own.sun_family = AF_UNIX;
    std::memcpy(own.sun_path + 1, name.data(), name.size());
    const socklen_t own_length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(listener, reinterpret_cast<const sockaddr *>(&own), own_length) != 0 ||
        listen(listener, 16) != 0) {
        close(listener);
        return false;
    }
    gOriginalAddress = address;
    std::thread(relay, listener, bus, bus_length).detach();
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:abstract=" + name).c_str(), 1);
    return true;
}

std::string sessionBusAddress() {
    if (!gOriginalAddress.empty()) {
        return gOriginalAddress;
    }
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address ? address : "";
}

}  // namespace platform
