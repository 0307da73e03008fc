// scarcity_host.cpp - the DLL when the system says no: no thread, no handle, no memory, and a
// message queue that refuses notifications.  The host points the DLL's own imports of
// CreateThread, CreateSemaphoreA, malloc, calloc, realloc and PostMessageA at stand-ins that
// can refuse, so only the library meets the shortage and Wine itself runs as usual.
//
// Exit code 0 when every check passed; each failure is printed.  An exception that reaches
// this C-style host, or a stack overflow, ends the process, which is a failure too.
#include <winsock2.h>

#include <atomic>
#include <cstdlib>

#include "host_support.h"
#include "loopback_listener.h"

using namespace kvn_host;

namespace {

std::atomic<bool> refuse_threads{false}, refuse_handles{false}, refuse_memory{false}, refuse_posts{false};
std::atomic<int> memory_refused{0}, posts_refused{0};

decltype(&CreateThread) real_create_thread;
decltype(&CreateSemaphoreA) real_create_semaphore;
decltype(&PostMessageA) real_post;
void *(__cdecl *real_malloc)(size_t);
void *(__cdecl *real_calloc)(size_t, size_t);
void *(__cdecl *real_realloc)(void *, size_t);

HANDLE WINAPI scarce_thread(LPSECURITY_ATTRIBUTES a, SIZE_T stack, LPTHREAD_START_ROUTINE f, LPVOID p, DWORD flags,
                            LPDWORD id) {
    if (!refuse_threads) return real_create_thread(a, stack, f, p, flags, id);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

HANDLE WINAPI scarce_semaphore(LPSECURITY_ATTRIBUTES a, LONG initial, LONG maximum, LPCSTR name) {
    if (!refuse_handles) return real_create_semaphore(a, initial, maximum, name);
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return nullptr;
}

BOOL WINAPI refusing_post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!refuse_posts) return real_post(window, message, wparam, lparam);
    ++posts_refused;
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
}

bool no_memory() {
    if (!refuse_memory) return false;
    ++memory_refused;
    return true;
}
void *__cdecl scarce_malloc(size_t n) { return no_memory() ? nullptr : real_malloc(n); }
void *__cdecl scarce_calloc(size_t n, size_t size) { return no_memory() ? nullptr : real_calloc(n, size); }
void *__cdecl scarce_realloc(void *p, size_t n) { return no_memory() ? nullptr : real_realloc(p, n); }

// Points the module's import of `function` from `library` at `replacement`; returns what it was.
template <typename F>
void patch_import(HMODULE module, const char *library, const char *function, F replacement, F &original) {
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto *d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports); d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + d->Name), library) != 0) continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto *by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char *>(by_name->Name), function) != 0) continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            original = reinterpret_cast<F>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return;
        }
    }
    check(false, function);
}

// The connection a connect left in the listener's backlog, if any, within `ms`.
SOCKET accept_within(SOCKET listener, int ms) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    return select(0, &ready, nullptr, nullptr, &limit) == 1 ? accept(listener, nullptr, nullptr) : INVALID_SOCKET;
}

template <typename Condition>
bool wait_until(Condition condition) {
    const DWORD start = GetTickCount();
    while (!condition() && GetTickCount() - start < patience_ms) Sleep(5);
    return condition();
}

struct Host {
    Api api{};
    HWND window = nullptr;
    SOCKET listener = INVALID_SOCKET;
    int32_t port = 0;

    int32_t connect() const { return api.socket_connect_ex(0, "127.0.0.1", window, WM_APP, port); }

    // Opens slot 0 and returns the host's end of it.
    SOCKET open_link() const {
        check(connect() == KVN_OK, "the link opens");
        return accept_within(listener, 5000);
    }

    // Three texts as the DLL writes them (a move, a chat, a game end), for the peer to send back.
    int wire_texts(SOCKET peer, char *out, int room) const {
        for (int32_t type : {KVN_MOVE, KVN_CHAT, KVN_GAME_END}) {
            const kvn_message m = sample(type, 0);
            api.send_message(0, &m);
        }
        int length = 0, ends = 0;
        while (ends < 3 && length < room) {
            const int n = recv(peer, out + length, room - length, 0);
            if (n <= 0) break;
            for (int i = length; i < length + n; ++i) ends += out[i] == 0;
            length += n;
        }
        return length;
    }
};

// A C host cannot catch a C++ exception from this DLL: a link without a thread, a
// handle or memory is a result code.
void a_failed_start_is_a_result_code(const Host &host) {
    const struct {
        std::atomic<bool> &refusal;
        const char *what;
    } cases[] = {{refuse_threads, "no thread: KVN_NO_THREAD"},
                 {refuse_handles, "no handle: KVN_NO_THREAD"},
                 {refuse_memory, "no memory: KVN_NO_THREAD"}};
    for (const auto &c : cases) {
        c.refusal = true;
        check(host.connect() == KVN_NO_THREAD, c.what);
        c.refusal = false;
        const SOCKET left = accept_within(host.listener, 200);
        if (left != INVALID_SOCKET) closesocket(left);
    }
}

void refused_notifications_come_later_in_order(const Host &host) {
    const SOCKET peer = host.open_link();
    char wire[512];
    const int length = host.wire_texts(peer, wire, sizeof wire);
    refuse_posts = true;
    send(peer, wire, length, 0);
    check(wait_until([] { return posts_refused.load() >= 3; }), "the three notifications are refused");
    closesocket(peer); // the loss comes behind them
    refuse_posts = false;
    const int32_t expected[] = {KVN_MOVE, KVN_CHAT, KVN_GAME_END, KVN_CONNECTION_LOST};
    for (int32_t type : expected) {
        MSG msg;
        const bool told = next_notification(host.window, patience_ms, msg);
        check(told && msg.wParam == static_cast<WPARAM>(type), "an owed notification, in order");
        if (!told || type == KVN_CONNECTION_LOST) continue;
        kvn_message m{};
        host.api.receive_message(0, &m);
        check(m.type == type, "its message is there to fetch");
    }
    host.api.disconnect(0);
}

DWORD WINAPI disconnect_slot_0(LPVOID api) {
    static_cast<Api *>(api)->disconnect(0);
    return 0;
}

void no_memory_neither_throws_nor_hangs(Host &host) {
    const SOCKET peer = host.open_link();
    char wire[512];
    const int length = host.wire_texts(peer, wire, sizeof wire);
    refuse_memory = true;
    const kvn_message move = sample(KVN_MOVE, 1);
    host.api.send_message(0, &move); // dropped: nothing is thrown
    const int refused_by_send = memory_refused;
    send(peer, wire, length, 0);
    check(wait_until([&] { return memory_refused > refused_by_send; }), "the receiver meets no memory");
    // The disconnect, still without memory, on a thread of the host's: it must end.
    const DWORD start = GetTickCount();
    const HANDLE closing = CreateThread(nullptr, 0, disconnect_slot_0, &host.api, 0, nullptr);
    check(WaitForSingleObject(closing, patience_ms) == WAIT_OBJECT_0, "kvn_disconnect ends without memory");
    std::printf("scarcity host: kvn_disconnect without memory took %lu ms\n", GetTickCount() - start);
    CloseHandle(closing);
    refuse_memory = false;
    closesocket(peer);
}

void the_link_works_again(const Host &host, DWORD threads_before) {
    for (MSG stale; PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE);) {}
    const SOCKET peer = host.open_link();
    char wire[512];
    const int length = host.wire_texts(peer, wire, sizeof wire);
    send(peer, wire, length, 0);
    MSG msg;
    check(next_notification(host.window, patience_ms, msg) && msg.wParam == KVN_MOVE, "a move arrives afterwards");
    host.api.disconnect(0);
    closesocket(peer);
    check(wait_until([&] { return thread_count() <= threads_before; }), "no library thread is left");
}

} // namespace

int main() {
    WSADATA data;
    check(WSAStartup(0x0202, &data) == 0, "WSAStartup");
    Host host;
    host.listener = listen_on_loopback(host.port);
    HMODULE dll = LoadLibraryA(KVN_DLL_FILE);
    check(host.listener != INVALID_SOCKET && dll != nullptr, "a listener and the DLL");
    if (failures != 0 || !resolve_all(dll, host.api)) return 1;
    host.window = make_window("kvn scarcity host");
    const DWORD threads_before = thread_count();
    patch_import(dll, "kernel32.dll", "CreateThread", &scarce_thread, real_create_thread);
    patch_import(dll, "kernel32.dll", "CreateSemaphoreA", &scarce_semaphore, real_create_semaphore);
    patch_import(dll, "user32.dll", "PostMessageA", &refusing_post, real_post);
    patch_import(dll, "msvcrt.dll", "malloc", &scarce_malloc, real_malloc);
    patch_import(dll, "msvcrt.dll", "calloc", &scarce_calloc, real_calloc);
    patch_import(dll, "msvcrt.dll", "realloc", &scarce_realloc, real_realloc);
    if (failures != 0) return 1;

    a_failed_start_is_a_result_code(host);
    refused_notifications_come_later_in_order(host);
    no_memory_neither_throws_nor_hangs(host);
    the_link_works_again(host, threads_before);

    closesocket(host.listener);
    WSACleanup();
    if (failures == 0) std::printf("scarcity host: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
