// Who opened the other end of a local TCP connection, and the engine's listening sockets kept to
// this user's own processes.
//
// Loopback TCP has no peer credentials. Both ends of a local connection are sockets of this
// network namespace, though, and the kernel knows each with the uid that made it: the peer's
// socket is the one whose local address is the peer's address and whose remote address is this
// end's. The kernel's socket diagnostics find that one socket directly (some microseconds);
// /proc/net/tcp and tcp6 list every socket, which takes milliseconds on a busy machine, and are
// read only where the diagnostics cannot be asked.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {
namespace {

// An end of a TCP connection, IPv4 addresses written as IPv4-mapped IPv6 ones, so that an IPv6
// socket that connected to an IPv4 address is found as well.
struct Endpoint {
    unsigned char address[16] = {};
    unsigned port = 0;

    bool operator==(const Endpoint &other) const {
        return port == other.port && std::memcmp(address, other.address, 16) == 0;
    }
};

bool endpointOf(const sockaddr_storage &storage, Endpoint &out) {
    if (storage.ss_family == AF_INET) {
        const auto &in4 = reinterpret_cast<const sockaddr_in &>(storage);
        out.address[10] = out.address[11] = 0xff;
        std::memcpy(out.address + 12, &in4.sin_addr, 4);
        out.port = ntohs(in4.sin_port);
        return true;
    }
    if (storage.ss_family == AF_INET6) {
        const auto &in6 = reinterpret_cast<const sockaddr_in6 &>(storage);
        std::memcpy(out.address, &in6.sin6_addr, 16);
        out.port = ntohs(in6.sin6_port);
        return true;
    }
    return false;
}

// "0100007F:1E6C": the address as the kernel holds it in memory, printed 32 bits at a time in this
// machine's byte order, then the port in hexadecimal.
bool parseEndpoint(const char *text, bool six, Endpoint &out) {
    const int words = six ? 4 : 1;
    unsigned char *target = six ? out.address : out.address + 12;
    if (!six) {
        std::memset(out.address, 0, 10);
        out.address[10] = out.address[11] = 0xff;
    }
    for (int i = 0; i < words; ++i) {
        unsigned word = 0;
        if (std::sscanf(text + 8 * i, "%8x", &word) != 1) {
            return false;
        }
        std::memcpy(target + 4 * i, &word, 4);
    }
    return text[8 * words] == ':' && std::sscanf(text + 8 * words + 1, "%x", &out.port) == 1;
}

constexpr unsigned kTimeWait = 6;
constexpr unsigned kListening = 10;
// ownerByDiagnostics: the kernel could not be asked.
constexpr long kCannotAsk = -2;

bool isMappedIPv4(const Endpoint &endpoint) {
    static const unsigned char prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(endpoint.address, prefix, 12) == 0;
}

// The uid of the socket at peer connected to local, asked of the kernel's socket diagnostics;
// -1 when there is none, kCannotAsk when the kernel did not answer.
long ownerByDiagnostics(const Endpoint &peer, const Endpoint &local) {
    const int diag = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (diag < 0) {
        return kCannotAsk;
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message = {};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    inet_diag_req_v2 &request = message.request;
    // An IPv6 socket that connected to an IPv4 address is found among the IPv4 ones.
    const bool four = isMappedIPv4(peer) && isMappedIPv4(local);
    request.sdiag_family = four ? AF_INET : AF_INET6;
    request.sdiag_protocol = IPPROTO_TCP;
    request.idiag_states = ~0u;
    request.id.idiag_sport = htons(static_cast<uint16_t>(peer.port));
    request.id.idiag_dport = htons(static_cast<uint16_t>(local.port));
    std::memcpy(request.id.idiag_src, four ? peer.address + 12 : peer.address, four ? 4 : 16);
    std::memcpy(request.id.idiag_dst, four ? local.address + 12 : local.address, four ? 4 : 16);
    request.id.idiag_cookie[0] = request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel = {};
    kernel.nl_family = AF_NETLINK;
    alignas(nlmsghdr) char reply[1024];
    ssize_t length = -1;
    if (sendto(diag, &message, sizeof message, 0, reinterpret_cast<sockaddr *>(&kernel),
               sizeof kernel) == static_cast<ssize_t>(sizeof message)) {
        // The kernel answers within the request.
        length = recv(diag, reply, sizeof reply, MSG_DONTWAIT);
    }
    close(diag);
    const auto *header = reinterpret_cast<const nlmsghdr *>(reply);
    if (length < static_cast<ssize_t>(sizeof(nlmsghdr)) || !NLMSG_OK(header, length)) {
        return kCannotAsk;
    }
    if (header->nlmsg_type == NLMSG_ERROR) {
        const auto *error = static_cast<const nlmsgerr *>(NLMSG_DATA(header));
        return header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) && error->error == -ENOENT
                   ? -1
                   : kCannotAsk;
    }
    if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY ||
        header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) {
        return kCannotAsk;
    }
    // The lookup falls back to a listening socket at the peer's port; only the connected one
    // counts.
    const auto *found = static_cast<const inet_diag_msg *>(NLMSG_DATA(header));
    if (found->id.idiag_sport != request.id.idiag_sport ||
        found->id.idiag_dport != request.id.idiag_dport || found->idiag_state == kTimeWait ||
        found->idiag_state == kListening) {
        return -1;
    }
    return static_cast<long>(found->idiag_uid);
}

// The uid of the socket at peer connected to local, from one of the kernel's tables; -1 when it is
// not there. A connection in TIME_WAIT is listed without its owner.
long ownerIn(const char *table, bool six, const Endpoint &peer, const Endpoint &local) {
    FILE *file = std::fopen(table, "re");
    if (!file) {
        return -1;
    }
    long owner = -1;
    char line[512];
    // The column heads.
    if (!std::fgets(line, sizeof line, file)) {
        std::fclose(file);
        return -1;
    }
    char local_text[64];
    char remote_text[64];
    unsigned state = 0;
    unsigned long uid = 0;
    while (owner < 0 && std::fgets(line, sizeof line, file)) {
        if (std::sscanf(line, " %*[^:]: %63s %63s %x %*s %*s %*s %lu", local_text, remote_text,
                        &state, &uid) != 4 ||
            state == kTimeWait) {
            continue;
        }
        Endpoint entry_local;
        Endpoint entry_remote;
        if (parseEndpoint(local_text, six, entry_local) && entry_local == peer &&
            parseEndpoint(remote_text, six, entry_remote) && entry_remote == local) {
            owner = static_cast<long>(uid);
        }
    }
    std::fclose(file);
    return owner;
}

std::atomic<bool> gOwnUserOnly{false};

using Accept4 = int (*)(int, sockaddr *, socklen_t *, int);

Accept4 nextAccept4() {
    static const auto next = reinterpret_cast<Accept4>(dlsym(RTLD_NEXT, "accept4"));
    return next;
}

// Accepts as the C library does, closing and passing over the TCP connections of other users.
int acceptOwnUsers(int listener, sockaddr *address, socklen_t *length, int flags) {
    const Accept4 next = nextAccept4();
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    const socklen_t given_length = length ? *length : 0;
    for (;;) {
        const int connection = next(listener, address, length, flags);
        if (connection < 0 || !gOwnUserOnly.load(std::memory_order_relaxed)) {
            return connection;
        }
        sockaddr_storage local = {};
        socklen_t local_length = sizeof local;
        if (getsockname(connection, reinterpret_cast<sockaddr *>(&local), &local_length) == 0 &&
            local.ss_family != AF_INET && local.ss_family != AF_INET6) {
            return connection;
        }
        if (tcpPeerIsOwnUser(static_cast<std::uintptr_t>(connection))) {
            return connection;
        }
        // As if that connection had never arrived: the caller waits for the next one, or hears
        // that none is pending.
        close(connection);
        if (length) {
            *length = given_length;
        }
    }
}

}  // namespace

bool tcpPeerIsOwnUser(std::uintptr_t socket) {
    const int fd = static_cast<int>(socket);
    sockaddr_storage local_storage = {};
    sockaddr_storage peer_storage = {};
    socklen_t local_length = sizeof local_storage;
    socklen_t peer_length = sizeof peer_storage;
    Endpoint local;
    Endpoint peer;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&local_storage), &local_length) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr *>(&peer_storage), &peer_length) != 0 ||
        !endpointOf(local_storage, local) || !endpointOf(peer_storage, peer)) {
        return false;
    }
    long owner = ownerByDiagnostics(peer, local);
    if (owner == kCannotAsk) {
        owner = ownerIn("/proc/net/tcp", false, peer, local);
        if (owner < 0) {
            owner = ownerIn("/proc/net/tcp6", true, peer, local);
        }
    }
    // The administrator may read this user's memory and files in any case; refusing root would
    // only lock out the tools that run as root (a test harness driving another user's client).
    return owner >= 0 && (static_cast<uid_t>(owner) == geteuid() || owner == 0);
}

bool admitOwnUserOnly() {
    if (!nextAccept4()) {
        return false;
    }
    gOwnUserOnly.store(true);
    return true;
}

}  // namespace platform

// The C library's entries, replaced for the whole program: the engine's libraries accept their
// connections through them.
extern "C" int accept(int listener, sockaddr *address, socklen_t *length) {
    return platform::acceptOwnUsers(listener, address, length, 0);
}

extern "C" int accept4(int listener, sockaddr *address, socklen_t *length, int flags) {
    return platform::acceptOwnUsers(listener, address, length, flags);
}
