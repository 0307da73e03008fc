// unload_host.cpp - loads the DLL, opens a link, disconnects and unloads at once, hundreds of
// times over: no thread of the library may still run its code once the host has let it go.
//
// Exit code 0 when every check passed; each failure is printed.  A crash is the
// failure this looks for.
#include <winsock2.h>

#include "host_support.h"
#include "loopback_listener.h"

using namespace kvn_host;

namespace {
constexpr int cycles = 1500;
constexpr DWORD time_limit_ms = 60000;
} // namespace

int main() {
    WSADATA data;
    check(WSAStartup(0x0202, &data) == 0, "WSAStartup");
    int32_t port = 0;
    const SOCKET listener = listen_on_loopback(port);
    check(listener != INVALID_SOCKET, "a loopback listener");
    if (listener == INVALID_SOCKET) return 1;

    const DWORD start = GetTickCount();
    int done = 0;
    for (; done < cycles && GetTickCount() - start < time_limit_ms && failures == 0; ++done) {
        HMODULE dll = LoadLibraryA(KVN_DLL_FILE);
        check(dll != nullptr, "LoadLibraryA(" KVN_DLL_FILE ")");
        if (dll == nullptr) break;
        Api api{};
        resolve_all(dll, api);
        if (api.socket_connect_ex(0, "127.0.0.1", nullptr, 0, port) != KVN_OK) {
            check(false, "the link opens");
            FreeLibrary(dll);
            break;
        }
        const SOCKET peer = accept(listener, nullptr, nullptr);
        const kvn_message move = sample(KVN_MOVE, 0);
        api.send_message(0, &move);
        api.disconnect(0);
        FreeLibrary(dll); // at once: the link's threads may still be on their way out
        closesocket(peer);
    }
    closesocket(listener);
    WSACleanup();
    std::printf("unload host: %d load/connect/disconnect/unload cycles\n", done);
    check(done >= 50, "at least 50 cycles ran");
    if (failures == 0) std::printf("unload host: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
