// test_system_win32.cpp - the test-only system services on Windows: Winsock, and counts of handles, threads and heap.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <tlhelp32.h>

#include "support/test_system.h"
#include "handle_count.h"

namespace kvn_test {

bool abortive_close(TestSocket s) {
    const linger hard{1, 0};
    const SOCKET handle = static_cast<SOCKET>(s);
    const bool set = setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&hard), sizeof hard) == 0;
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

// Windows reports a socket's keep-alive times only from Windows 10 1709 on,
// and Wine not at all; the times set are checked on POSIX systems.
bool keepalive_of_socket_on(uint16_t, bool, KeepAliveSettings &, std::string &why_not) {
    why_not = "this system does not report the keep-alive times of a socket";
    return false;
}

namespace {

bool count_threads(size_t &threads) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    threads = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++threads;
    CloseHandle(snapshot);
    return threads > 0;
}

// Bytes in busy blocks of every heap of the process; the C runtime's heap is one of them.
bool count_heap_bytes(size_t &bytes) {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    if (count == 0 || count > 64) return false;
    bytes = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) return false;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return true;
}

} // namespace

// Wine now and then makes one more handle of its own late in a long run (seen:
// one, not growing over repeated runs); a leaked socket, semaphore or thread
// handle in even one link of a hundred would add ten or more.
size_t descriptor_tolerance() { return 2; }

bool process_counts(ProcessCounts &counts, std::string &why_not) {
    DWORD handles = 0;
    if (!process_handle_count(handles)) {
        why_not = "neither GetProcessHandleCount nor the system handle table counts this process's handles";
        return false;
    }
    counts.descriptors = handles;
    if (!count_threads(counts.threads)) {
        why_not = "the thread snapshot lists no thread of this process";
        return false;
    }
    if (!count_heap_bytes(counts.heap_bytes)) {
        why_not = "the process heaps cannot be walked";
        return false;
    }
    return true;
}

} // namespace kvn_test
