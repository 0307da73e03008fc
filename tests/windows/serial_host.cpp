// serial_host.cpp - a real Win32 host that loads the DLL and plays both ends of a null-modem link between two COM ports.
//
// Usage: kvn_serial_host PORT_A PORT_B ABSENT_PORT
// PORT_A and PORT_B are the two ends of one cable (under Wine: COM links to a
// pseudo-terminal pair); ABSENT_PORT names a COM port with no device behind
// it.  Exit code 0 when every check passed; each failure is printed.
#include <cstdint>
#include <cstdlib>

#include "handle_count.h"
#include "host_support.h"

using namespace kvn_host;
using kvn_test::process_handle_count;

namespace {

constexpr UINT message_a = WM_APP + 11; // slot 0, on PORT_A
constexpr UINT message_b = WM_APP + 12; // slot 1, on PORT_B
// Serial connects and disconnects that the handle count is taken around.
constexpr int port_cycles = 4;

bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool open_both(const Api &api, HWND window, int32_t port_a, int32_t port_b) {
    const int32_t a = api.nulmodem_connect(0, port_a, window, message_a);
    const int32_t b = api.nulmodem_connect(1, port_b, window, message_b);
    char what[96];
    std::snprintf(what, sizeof what, "slot 0 opens COM%d (result %d)", port_a, a);
    check(a == KVN_OK, what);
    std::snprintf(what, sizeof what, "slot 1 opens COM%d (result %d)", port_b, b);
    check(b == KVN_OK, what);
    return a == KVN_OK && b == KVN_OK;
}

// Worker threads are detached and may still be on their way out after kvn_disconnect.
bool threads_back_to(DWORD baseline) {
    const DWORD start = GetTickCount();
    while (thread_count() > baseline && GetTickCount() - start < patience_ms) Sleep(10);
    return thread_count() <= baseline;
}

// Nothing is waiting for the host: no further notification, no text in either receive queue.
void nothing_left_over(const Api &api, HWND window, const char *when) {
    char what[128];
    MSG msg;
    bool extra = false;
    while (PeekMessageA(&msg, window, WM_APP, 0xBFFF, PM_REMOVE)) extra = true;
    std::snprintf(what, sizeof what, "%s: every arrival was notified once", when);
    check(!extra, what);
    for (int32_t slot = 0; slot < 2; ++slot) {
        kvn_message left{};
        left.type = 42;
        api.receive_message(slot, &left);
        std::snprintf(what, sizeof what, "%s: nothing left to fetch on slot %d", when, slot);
        check(left.type == KVN_NONE, what);
    }
}

// A second link on a port that is already open must be refused, where the
// system makes ports exclusive.
void second_open_refused(const Api &api, HWND window, int32_t port_a) {
    if (running_under_wine()) {
        std::printf("skipped: Wine does not open COM ports exclusively, so a second kvn_nulmodem_connect "
                    "on an open port succeeds there\n");
        return;
    }
    check(api.nulmodem_connect(2, port_a, window, message_a) == KVN_SOCKET_FAILED,
          "a second link on an open port gives -2");
    kvn_message left{};
    left.type = 42;
    api.receive_message(2, &left);
    check(left.type == KVN_NONE, "the refused slot stays empty");
}

// Connects and disconnects, with failing connects between, leave the handle count as it was.
void cycles_keep_handles(const Api &api, HWND window, int32_t port_a, int32_t port_b, int32_t absent) {
    DWORD before = 0, after = 0;
    if (!process_handle_count(before)) {
        std::printf("skipped: this system counts no handles of a process\n");
        return;
    }
    for (int i = 0; i < port_cycles; ++i) {
        check(api.nulmodem_connect(2, absent, window, message_a) == KVN_SOCKET_FAILED, "absent port fails again");
        if (!open_both(api, window, port_a, port_b)) return;
        api.disconnect(0);
        api.disconnect(1);
    }
    process_handle_count(after);
    char what[96];
    std::snprintf(what, sizeof what, "serial cycles leave %lu handles as they were (now %lu)",
                  static_cast<unsigned long>(before), static_cast<unsigned long>(after));
    check(after == before, what);
}

// A start marker left on the cable by an exchange that a disconnect abandoned
// must not be taken for the peer's by the next link: both would echo it back
// and forth for ever.
void stray_start_marker_is_dropped(const Api &api, HWND window, int32_t port_a, int32_t port_b) {
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", static_cast<int>(port_a));
    const HANDLE raw = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    check(raw != INVALID_HANDLE_VALUE, "the first port opens without the library");
    if (raw == INVALID_HANDLE_VALUE) return;
    const unsigned char start_marker = 0xD3;
    DWORD written = 0;
    check(WriteFile(raw, &start_marker, 1, &written, nullptr) && written == 1, "a stray start marker is written");
    CloseHandle(raw);
    Sleep(200); // on its way across the cable to the second port
    if (!open_both(api, window, port_a, port_b)) return;
    for (int32_t type : {KVN_MOVE, KVN_CHAT}) {
        exchange(api, window, 0, type, message_b);
        exchange(api, window, 1, type, message_a);
    }
    nothing_left_over(api, window, "after a stray start marker");
    api.disconnect(0);
    api.disconnect(1);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::printf("usage: kvn_serial_host PORT_A PORT_B ABSENT_PORT\n");
        return 2;
    }
    const auto port_a = static_cast<int32_t>(std::atoi(argv[1]));
    const auto port_b = static_cast<int32_t>(std::atoi(argv[2]));
    const auto absent = static_cast<int32_t>(std::atoi(argv[3]));

    HMODULE dll = LoadLibraryA(KVN_DLL_FILE);
    check(dll != nullptr, "LoadLibraryA(" KVN_DLL_FILE ")");
    if (dll == nullptr) return 1;
    Api api{};
    if (!resolve_all(dll, api)) return 1;
    HWND window = make_window("kvn_serial_host");
    check(window != nullptr, "message-only window");
    if (window == nullptr) return 1;
    const DWORD threads_before = thread_count();

    check(api.nulmodem_connect(3, port_a, window, message_a) == KVN_BAD_SLOT, "slot 3 is refused");
    check(api.nulmodem_connect(2, absent, window, message_a) == KVN_SOCKET_FAILED,
          "a COM port with no device behind it gives -2");
    if (!open_both(api, window, port_a, port_b)) return 1;
    second_open_refused(api, window, port_a);

    // One message at a time, so the two senders never start at once and no
    // echo is ever wrong (a restart would cost five seconds).
    for (int32_t type = KVN_GAME_REQUEST; type <= KVN_BACK_ACCEPT; ++type) {
        exchange(api, window, 0, type, message_b);
        exchange(api, window, 1, type, message_a);
    }
    nothing_left_over(api, window, "after every kind both ways");
    api.disconnect(0);
    api.disconnect(1);
    check(threads_back_to(threads_before), "no library thread left running after kvn_disconnect");

    // The same ports open again with the same settings and carry messages.
    if (!open_both(api, window, port_a, port_b)) return 1;
    exchange(api, window, 0, KVN_CHAT, message_b);
    exchange(api, window, 1, KVN_MOVE, message_a);
    nothing_left_over(api, window, "after reconnecting");
    api.disconnect(0);
    api.disconnect(1);
    api.disconnect(1); // a free slot: nothing happens

    cycles_keep_handles(api, window, port_a, port_b, absent);
    stray_start_marker_is_dropped(api, window, port_a, port_b);
    check(threads_back_to(threads_before), "no library thread left running after the cycles");

    DestroyWindow(window);
    FreeLibrary(dll);
    if (failures == 0) std::printf("serial host: all checks passed\n");
    else std::printf("serial host: %d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
