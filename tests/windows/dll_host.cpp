// dll_host.cpp - a real Win32 host: loads the DLL at run time and plays both ends of a loopback link through a window.
//
// Exit code 0 when every check passed; each failure is printed.  The DLL's
// file name comes from the build (KVN_DLL_FILE).
#include <cstdint>
#include <thread>

#include "host_support.h"

using namespace kvn_host;

namespace {

constexpr UINT server_message = WM_APP + 1; // slot 0
constexpr UINT client_message = WM_APP + 2; // slot 1

} // namespace

int main() {
    HMODULE dll = LoadLibraryA(KVN_DLL_FILE);
    check(dll != nullptr, "LoadLibraryA(" KVN_DLL_FILE ")");
    if (dll == nullptr) return 1;
    Api api{};
    if (!resolve_all(dll, api)) return 1;

    HWND window = make_window("kvn_dll_host");
    check(window != nullptr, "message-only window");
    if (window == nullptr) return 1;
    const DWORD threads_before = thread_count();

    check(api.socket_connect_ex(3, "", window, server_message, 0) == KVN_BAD_SLOT, "slot 3 is refused");

    // The server waits about 500 ms for its peer per call; the client keeps
    // trying on a thread of its own until the server listens.
    const int32_t port = 30000 + static_cast<int32_t>(GetCurrentProcessId() % 20000);
    int32_t client_result = -1;
    std::thread client([&] {
        const DWORD start = GetTickCount();
        do {
            client_result = api.socket_connect_ex(1, "127.0.0.1", window, client_message, port);
            if (client_result == 0) return;
            Sleep(20);
        } while (GetTickCount() - start < patience_ms);
    });
    int32_t server_result = -1;
    for (int attempt = 0; attempt < 40 && server_result != 0; ++attempt)
        server_result = api.socket_connect_ex(0, "", window, server_message, port);
    client.join();
    check(server_result == 0, "server slot 0 opened");
    check(client_result == 0, "client slot 1 opened");
    if (server_result != 0 || client_result != 0) return 1;

    for (int32_t type = KVN_GAME_REQUEST; type <= KVN_BACK_ACCEPT; ++type) {
        exchange(api, window, 0, type, client_message);
        exchange(api, window, 1, type, server_message);
    }

    kvn_message nothing{};
    nothing.type = 42;
    api.receive_message(0, &nothing);
    check(nothing.type == KVN_NONE, "nothing left to fetch");

    // The peer going away is told to slot 0 once, as wParam 100.
    api.disconnect(1);
    MSG msg;
    check(next_notification(window, patience_ms, msg), "connection lost notification arrives");
    check(msg.message == server_message && msg.wParam == KVN_CONNECTION_LOST && msg.lParam == 0,
          "connection lost: message id, wParam 100, lParam 0");
    check(!next_notification(window, 500, msg), "connection lost is told only once");
    api.disconnect(0);
    api.disconnect(0); // a free slot: nothing happens

    // Every worker and teardown thread has ended.
    const DWORD start = GetTickCount();
    while (thread_count() > threads_before && GetTickCount() - start < patience_ms) Sleep(10);
    check(thread_count() <= threads_before, "no library thread left running after kvn_disconnect");

    DestroyWindow(window);
    FreeLibrary(dll);
    if (failures == 0) std::printf("dll host: all checks passed\n");
    else std::printf("dll host: %d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
