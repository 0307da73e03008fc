// test_system_posix.cpp - the test-only system services on Linux (/proc, glibc heap).
#include <dirent.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

bool abortive_close(kvn::platform::Socket s) {
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
