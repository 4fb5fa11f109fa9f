#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <iphlpapi.h>

#include "platform/platform.h"
#include "scoped_win32_calls.h"

namespace {

// The owner the table below names for every connection.
DWORD listed_owner = 0;

// The system's table with every connection's owner replaced: Wine lists none.
DWORD WINAPI tableOwnedBy(PVOID table, PDWORD size, BOOL order, ULONG family,
                          TCP_TABLE_CLASS table_class, ULONG reserved) {
    const DWORD result = platform::win::realWin32Calls().getExtendedTcpTable(
        table, size, order, family, table_class, reserved);
    if (result == NO_ERROR && family == AF_INET && table_class == TCP_TABLE_OWNER_PID_ALL) {
        auto *rows = static_cast<MIB_TCPTABLE_OWNER_PID *>(table);
        for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
            rows->table[i].dwOwningPid = listed_owner;
        }
    }
    return result;
}

}  // namespace

TEST(OwnUserConnections, APeerIsAdmittedOnlyWhenAProcessOfThisUserOwnsIt) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    SOCKET own = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(connect(own, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    ASSERT_NE(accepted, INVALID_SOCKET);

    ScopedWin32Calls calls;
    calls->getExtendedTcpTable = tableOwnedBy;
    listed_owner = GetCurrentProcessId();
    EXPECT_TRUE(platform::tcpPeerIsOwnUser(accepted));
    // A socket without a peer has nobody to admit.
    EXPECT_FALSE(platform::tcpPeerIsOwnUser(listener));
    // An owner that cannot be told, or a process that is gone, is nobody's.
    listed_owner = 0;
    EXPECT_FALSE(platform::tcpPeerIsOwnUser(accepted));
    listed_owner = 0x7ffffff0;
    EXPECT_FALSE(platform::tcpPeerIsOwnUser(accepted));
    EXPECT_FALSE(platform::admitOwnUserOnly());

    closesocket(accepted);
    closesocket(own);
    closesocket(listener);
    WSACleanup();
}
