#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Whether a compositor accepts a connection on the session's Wayland socket.
bool compositorAnswers(std::string *where) {
    // A socket handed down by the compositor itself is taken as answering.
    if (!environment("WAYLAND_SOCKET").empty()) {
        return true;
    }
    std::string path = environment("WAYLAND_DISPLAY");
    if (path.empty()) {
        path = "wayland-0";
    }
    if (path[0] != '/') {
        const std::string runtime = environment("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            *where = path;
            return false;
        }
        path = runtime + "/" + path;
    }
    *where = path;
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool answered =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return answered;
}

}  // namespace

std::string chooseWindowSystem() {
    // A window system named by the user is the user's to keep.
    if (!environment("QT_QPA_PLATFORM").empty()) {
        return std::string();
    }
    // The toolkit tries Wayland first in a Wayland session or wherever a Wayland display is named.
    if (environment("XDG_SESSION_TYPE") != "wayland" && environment("WAYLAND_DISPLAY").empty()) {
        return std::string();
    }
    std::string where;
    if (compositorAnswers(&where) || environment("DISPLAY").empty()) {
        return std::string();
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return "no Wayland compositor answers at " + where + "; the window goes to the X display " +
           environment("DISPLAY");
}

}  // namespace platform
