// Who opened the other end of a local TCP connection: the system's table of TCP connections names
// the process that owns each socket, and that process's token names its user.
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which must come before windows.h.
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win/win32_calls.h"

namespace platform {
namespace {

// The token user's SID of process (0 for this one) compared with this process's.
bool runsAsThisUser(DWORD pid) {
    const auto userOf = [](HANDLE process, std::vector<unsigned char> &buffer) -> PSID {
        HANDLE token = nullptr;
        if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
            return nullptr;
        }
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        buffer.resize(size);
        const bool read =
            size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
        CloseHandle(token);
        return read ? reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid : nullptr;
    };
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) {
        return false;
    }
    std::vector<unsigned char> own_buffer;
    std::vector<unsigned char> peer_buffer;
    const PSID own = userOf(GetCurrentProcess(), own_buffer);
    const PSID peer = userOf(process, peer_buffer);
    CloseHandle(process);
    return own && peer && EqualSid(own, peer);
}

// The connection table of family, with the owning process of each row.
bool readTable(ULONG family, std::vector<unsigned char> &buffer) {
    DWORD size = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD result =
            win::win32Calls().getExtendedTcpTable(buffer.empty() ? nullptr : buffer.data(), &size,
                                                  FALSE, family, TCP_TABLE_OWNER_PID_ALL, 0);
        if (result == NO_ERROR) {
            return true;
        }
        if (result != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        buffer.resize(size);
    }
    return false;
}

// The process owning the socket at peer that is connected to local; 0 when there is none.
DWORD ownerOf(const sockaddr_storage &peer, const sockaddr_storage &local) {
    std::vector<unsigned char> buffer;
    if (peer.ss_family == AF_INET) {
        const auto &p = reinterpret_cast<const sockaddr_in &>(peer);
        const auto &l = reinterpret_cast<const sockaddr_in &>(local);
        if (!readTable(AF_INET, buffer)) {
            return 0;
        }
        const auto *table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID *>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW_OWNER_PID &row = table->table[i];
            // Ports are in network order in the low 16 bits.
            if (row.dwLocalAddr == p.sin_addr.s_addr &&
                static_cast<u_short>(row.dwLocalPort) == p.sin_port &&
                row.dwRemoteAddr == l.sin_addr.s_addr &&
                static_cast<u_short>(row.dwRemotePort) == l.sin_port) {
                return row.dwOwningPid;
            }
        }
        return 0;
    }
    const auto &p = reinterpret_cast<const sockaddr_in6 &>(peer);
    const auto &l = reinterpret_cast<const sockaddr_in6 &>(local);
    if (!readTable(AF_INET6, buffer)) {
        return 0;
    }
    const auto *table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID *>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCP6ROW_OWNER_PID &row = table->table[i];
        if (memcmp(row.ucLocalAddr, &p.sin6_addr, 16) == 0 &&
            static_cast<u_short>(row.dwLocalPort) == p.sin6_port &&
            memcmp(row.ucRemoteAddr, &l.sin6_addr, 16) == 0 &&
            static_cast<u_short>(row.dwRemotePort) == l.sin6_port) {
            return row.dwOwningPid;
        }
    }
    return 0;
}

}  // namespace

bool tcpPeerIsOwnUser(std::uintptr_t socket) {
    sockaddr_storage local = {};
    sockaddr_storage peer = {};
    int local_length = sizeof local;
    int peer_length = sizeof peer;
    const SOCKET s = static_cast<SOCKET>(socket);
    if (getsockname(s, reinterpret_cast<sockaddr *>(&local), &local_length) != 0 ||
        getpeername(s, reinterpret_cast<sockaddr *>(&peer), &peer_length) != 0 ||
        local.ss_family != peer.ss_family ||
        (peer.ss_family != AF_INET && peer.ss_family != AF_INET6)) {
        return false;
    }
    const DWORD owner = ownerOf(peer, local);
    return owner != 0 && runsAsThisUser(owner);
}

// The engine's accepts happen inside its own library, which this program cannot reach into here.
bool admitOwnUserOnly() {
    return false;
}

}  // namespace platform
