// test_system_win32.cpp - the test-only system services on Windows (Winsock); no process counts.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/test_system.h"

namespace kvn_test {

bool abortive_close(kvn::platform::Socket s) {
    const linger hard{1, 0};
    const SOCKET handle = static_cast<SOCKET>(s);
    const bool set =
        setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&hard), sizeof hard) == 0;
    closesocket(handle);
    return set;
}

uint16_t free_port() {
    WSADATA data;
    if (WSAStartup(0x0202, &data) != 0) return 0;
    uint16_t port = 0;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        sockaddr_in any{};
        any.sin_family = AF_INET;
        int length = sizeof any;
        if (bind(s, reinterpret_cast<sockaddr *>(&any), sizeof any) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr *>(&any), &length) == 0)
            port = ntohs(any.sin_port);
        closesocket(s);
    }
    WSACleanup();
    return port;
}

bool process_counts(ProcessCounts &, std::string &why_not) {
    why_not = "descriptor, thread and heap counts are read from /proc and glibc (Linux only)";
    return false;
}

} // namespace kvn_test
