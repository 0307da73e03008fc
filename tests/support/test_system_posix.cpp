// test_system_posix.cpp - the test-only system services on Linux (/proc, glibc heap).
#include <dirent.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "support/test_system.h"

namespace kvn_test {

namespace {

// Entries of a /proc directory, without "." and ".."; -1 when it cannot be read.
long count_entries(const char *path) {
    DIR *dir = opendir(path);
    if (dir == nullptr) return -1;
    long n = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++n;
    }
    closedir(dir);
    return n - (std::string(path) == "/proc/self/fd" ? 1 : 0); // the directory's own descriptor
}

} // namespace

bool abortive_close(TestSocket s) {
    const linger hard{1, 0};
    const int fd = static_cast<int>(s);
    const bool set = setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard) == 0;
    ::close(fd);
    return set;
}

uint16_t free_port() {
    const int fd = socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    int dual = 0; // the port must be free for IPv4 too
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &dual, sizeof dual);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    socklen_t length = sizeof any;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&any), sizeof any) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&any), &length) == 0)
        port = ntohs(any.sin6_port);
    ::close(fd);
    return port;
}

namespace {
uint16_t port_of(const sockaddr_storage &address) {
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return 0;
}
} // namespace

bool keepalive_of_socket_on(uint16_t port, bool port_is_local, KeepAliveSettings &settings, std::string &why_not) {
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        why_not = "needs /proc/self/fd (Linux)";
        return false;
    }
    bool found = false;
    while (const dirent *entry = readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        sockaddr_storage local{}, peer{};
        socklen_t local_length = sizeof local, peer_length = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &local_length) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peer_length) != 0 ||
            port_of(port_is_local ? local : peer) != port)
            continue;
        socklen_t size = sizeof(int);
        found = getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &settings.on, &size) == 0 &&
                getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &settings.idle_s, &size) == 0 &&
                getsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &settings.interval_s, &size) == 0 &&
                getsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &settings.probes, &size) == 0;
        break;
    }
    closedir(dir);
    if (!found) why_not = "no connected socket on that port reports its keep-alive";
    return found;
}

// The C library opens nothing of its own once the first links are made.
size_t descriptor_tolerance() { return 0; }

bool process_counts(ProcessCounts &counts, std::string &why_not) {
    const long descriptors = count_entries("/proc/self/fd");
    const long threads = count_entries("/proc/self/task");
    if (descriptors < 0 || threads < 0) {
        why_not = "needs /proc/self/fd and /proc/self/task (Linux)";
        return false;
    }
    counts.descriptors = static_cast<size_t>(descriptors);
    counts.threads = static_cast<size_t>(threads);
    counts.heap_bytes = mallinfo2().uordblks;
    return true;
}

} // namespace kvn_test
