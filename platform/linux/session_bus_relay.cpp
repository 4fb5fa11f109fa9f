#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

// The switch that starts this executable as the bridge of one bus connection.
const char kBridgeSwitch[] = "--session-bus-bridge";
// An address no bus library can connect to, for a process started without a session bus.
const char kNoBus[] = "disabled:";

// The characters a D-Bus address value may carry as they are; every other byte is escaped.
std::string addressValue(const std::string &text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
            c == '-' || c == '_' || c == '/' || c == '.' || c == '\\' || c == '*') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

// Where a bridge reports that the bus has gone: the client's pipe, named so that a bridge can
// reopen it through /proc, since libdbus closes every inherited descriptor before it starts one.
struct ReportPipe {
    long pid = 0;
    int fd = -1;
    unsigned long long inode = 0;
};

std::string reportPipeText(const ReportPipe &pipe) {
    return std::to_string(pipe.pid) + ":" + std::to_string(pipe.fd) + ":" +
           std::to_string(pipe.inode);
}

bool parseReportPipe(const char *text, ReportPipe &out) {
    return std::sscanf(text, "%ld:%d:%llu", &out.pid, &out.fd, &out.inode) == 3;
}

void reportBusGone(const ReportPipe &pipe) {
    const std::string path = "/proc/" + std::to_string(pipe.pid) + "/fd/" + std::to_string(pipe.fd);
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat status;
    // A client that has ended may have left its number to another process.
    if (fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) && status.st_ino == pipe.inode) {
        const char byte = 1;
        (void)!write(fd, &byte, 1);
    }
    close(fd);
}

// Descriptors that travel with a message: the most the kernel passes in one go.
constexpr size_t kMaxPassedDescriptors = 253;

// Moves what arrives on from to to, descriptors included, until from ends (false) or to
// refuses (true, with from still open). Blocking: each bridge serves one connection, so
// waiting on its peer holds up nobody else.
bool forward(int from, int to) {
    std::vector<char> data(64 * 1024);
    std::vector<char> control(CMSG_SPACE(kMaxPassedDescriptors * sizeof(int)));
    for (;;) {
        iovec in{data.data(), data.size()};
        msghdr message{};
        message.msg_iov = &in;
        message.msg_iovlen = 1;
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        const ssize_t got = recvmsg(from, &message, MSG_CMSG_CLOEXEC);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        std::vector<int> passed;
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS) {
                const size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                const size_t first = passed.size();
                passed.resize(first + count);
                std::memcpy(passed.data() + first, CMSG_DATA(header), count * sizeof(int));
            }
        }
        // The descriptors go with the first bytes they came with, as the sender meant.
        std::vector<char> out_control(passed.empty() ? 0 : CMSG_SPACE(passed.size() * sizeof(int)));
        size_t sent = 0;
        bool refused = false;
        while (sent < static_cast<size_t>(got) && !refused) {
            iovec out{data.data() + sent, static_cast<size_t>(got) - sent};
            msghdr reply{};
            reply.msg_iov = &out;
            reply.msg_iovlen = 1;
            if (sent == 0 && !passed.empty()) {
                reply.msg_control = out_control.data();
                reply.msg_controllen = out_control.size();
                cmsghdr *header = CMSG_FIRSTHDR(&reply);
                header->cmsg_level = SOL_SOCKET;
                header->cmsg_type = SCM_RIGHTS;
                header->cmsg_len = CMSG_LEN(passed.size() * sizeof(int));
                std::memcpy(CMSG_DATA(header), passed.data(), passed.size() * sizeof(int));
            }
            const ssize_t written = sendmsg(to, &reply, MSG_NOSIGNAL);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                refused = true;
            } else {
                sent += static_cast<size_t>(written);
            }
        }
        for (const int fd : passed) {
            close(fd);
        }
        if (refused) {
            return true;
        }
    }
}

int connectTo(const sockaddr_un &address, socklen_t length) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads the bridges' reports for as long as the process runs; blocks, never spins.
void listenForReports(int fd) {
    char byte;
    for (;;) {
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) {
            tellBusGone();
        } else if (got == 0 || errno != EINTR) {
            return;
        }
    }
}

}  // namespace

bool relaySessionBus() {
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address) {
        // Without an address the bus library "autolaunches" a bus daemon for the X display: it
        // outlives the client, writes below the home folder, and has no desktop service on it
        // anyway. An address of no known kind makes every connection fail at once instead.
        setenv("DBUS_SESSION_BUS_ADDRESS", kNoBus, 1);
        return false;
    }
    sockaddr_un bus;
    socklen_t bus_length = 0;
    const std::string executable = executablePath();
    if (!address || !socketOf(address, bus, bus_length) || executable.empty()) {
        return false;
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    struct stat status;
    fstat(report[1], &status);
    ReportPipe pipe;
    pipe.pid = getpid();
    pipe.fd = report[1];
    pipe.inode = status.st_ino;
    std::thread(listenForReports, report[0]).detach();
    gOriginalAddress = address;
    // No socket for anyone to connect to: each connection starts this executable as its own
    // bridge, on a socket pair only the connecting program holds.
    const std::string bridged =
        "unixexec:path=" + addressValue(executable) + ",argv1=" + addressValue(kBridgeSwitch) +
        ",argv2=" + addressValue(gOriginalAddress) + ",argv3=" + addressValue(reportPipeText(pipe));
    setenv("DBUS_SESSION_BUS_ADDRESS", bridged.c_str(), 1);
    return true;
}

int runSessionBusBridge(int argc, char *argv[]) {
    if (argc < 2 || std::strcmp(argv[1], kBridgeSwitch) != 0) {
        return -1;
    }
    sockaddr_un bus;
    socklen_t bus_length = 0;
    ReportPipe pipe;
    if (argc != 4 || !socketOf(argv[2], bus, bus_length) || !parseReportPipe(argv[3], pipe)) {
        return 1;
    }
    // The requests to end that reach the client's whole process group (Ctrl+C in a terminal, a
    // hang-up, a session's end) are the client's to act on: a bridge that ended first would take
    // the engine with it. It ends with the program's end of the connection.
    for (const int request : {SIGINT, SIGTERM, SIGHUP}) {
        signal(request, SIG_IGN);
    }
    // libdbus hands over its end of the connection as standard input and output.
    const int program = STDIN_FILENO;
    const int outer = connectTo(bus, bus_length);
    if (outer < 0) {
        // The program sees its connection end before it is set up, as without a bus.
        return 1;
    }
    std::thread([outer, pipe, bus, bus_length] {
        if (forward(outer, STDOUT_FILENO)) {
            // The program no longer reads.
            _exit(0);
        }
        // The bus went away or dropped this connection. The program keeps a connection that
        // no longer answers, which it survives, where a closed one would end it. Only a bus
        // that no longer takes connections has gone.
        const int probe = connectTo(bus, bus_length);
        if (probe < 0) {
            reportBusGone(pipe);
        } else {
            close(probe);
        }
        shutdown(outer, SHUT_RDWR);
    }).detach();
    // Until the program closes its end; what it says once the bus has gone is dropped.
    while (forward(program, outer)) {
    }
    _exit(0);
}

std::string sessionBusAddress() {
    if (!gOriginalAddress.empty()) {
        return gOriginalAddress;
    }
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address && std::strcmp(address, kNoBus) != 0 ? address : "";
}

}  // namespace platform
