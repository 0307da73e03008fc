// host_support.h - what the Win32 host programs share: a check counter, the DLL's exports,
// a message-only window, its message loop, a thread count and sample records.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "kvn.h"

namespace kvn_host {

inline int failures = 0;

inline void check(bool ok, const char *what) {
    if (ok) return;
    ++failures;
    std::printf("FAILED: %s\n", what);
    std::fflush(stdout);
}

constexpr DWORD patience_ms = 20000;

struct Api {
    decltype(&kvn_disconnect) disconnect;
    decltype(&kvn_nulmodem_connect) nulmodem_connect;
    decltype(&kvn_receive_message) receive_message;
    decltype(&kvn_send_message) send_message;
    decltype(&kvn_socket_connect) socket_connect;
    decltype(&kvn_socket_connect6) socket_connect6;
    decltype(&kvn_socket_connect6_ex) socket_connect6_ex;
    decltype(&kvn_socket_connect_ex) socket_connect_ex;
};

// Finds one export by name and by ordinal; both must lead to the same code.
template <typename F>
void resolve(HMODULE dll, const char *name, WORD ordinal, F &out) {
    FARPROC by_name = GetProcAddress(dll, name);
    FARPROC by_ordinal = GetProcAddress(dll, MAKEINTRESOURCEA(ordinal));
    char what[128];
    std::snprintf(what, sizeof what, "%s found by name and by ordinal %u at one address", name, ordinal);
    check(by_name != nullptr && by_name == by_ordinal, what);
    // void(*)() is the one function type every other may pass through.
    out = reinterpret_cast<F>(reinterpret_cast<void (*)()>(by_name));
}

inline bool resolve_all(HMODULE dll, Api &api) {
    resolve(dll, "kvn_disconnect", 1, api.disconnect);
    resolve(dll, "kvn_nulmodem_connect", 2, api.nulmodem_connect);
    resolve(dll, "kvn_receive_message", 3, api.receive_message);
    resolve(dll, "kvn_send_message", 4, api.send_message);
    resolve(dll, "kvn_socket_connect", 5, api.socket_connect);
    resolve(dll, "kvn_socket_connect6", 6, api.socket_connect6);
    resolve(dll, "kvn_socket_connect6_ex", 7, api.socket_connect6_ex);
    resolve(dll, "kvn_socket_connect_ex", 8, api.socket_connect_ex);
    return failures == 0;
}

inline HWND make_window(const char *class_name) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);
    return CreateWindowExA(0, window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           window_class.hInstance, nullptr);
}

// The host's message loop: waits for the next message posted to `window`.
inline bool next_notification(HWND window, DWORD limit_ms, MSG &out) {
    const DWORD start = GetTickCount();
    for (;;) {
        while (PeekMessageA(&out, nullptr, 0, 0, PM_REMOVE)) {
            if (out.hwnd == window && out.message >= WM_APP) return true;
            DispatchMessageA(&out);
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= limit_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, limit_ms - spent, QS_ALLINPUT);
    }
}

inline DWORD thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

inline kvn_message sample(int32_t type, int variant) {
    kvn_message m{};
    m.type = type;
    switch (type) {
    case KVN_GAME_REQUEST:
        m.u.game_request.version = static_cast<int16_t>(1 + variant);
        std::strcpy(m.u.game_request.name, variant ? "Zwart" : "Wit");
        m.u.game_request.colour = variant ? 'Z' : 'W';
        m.u.game_request.thinking_time = 90;
        m.u.game_request.move_count = 40;
        m.u.game_request.side_to_move = 'W';
        for (int i = 0; i < 50; ++i) m.u.game_request.squares[i] = i < 20 ? 'z' : i < 30 ? 'e' : 'w';
        break;
    case KVN_GAME_ACCEPT:
        std::strcpy(m.u.game_accept.name, "Partner");
        m.u.game_accept.accept_code = static_cast<int16_t>(variant);
        break;
    case KVN_MOVE:
        m.u.move.time = static_cast<int16_t>(120 + variant);
        m.u.move.from_square = 32;
        m.u.move.to_square = 23;
        m.u.move.capture_count = 1;
        m.u.move.captured[0] = 28;
        break;
    case KVN_GAME_END:
        m.u.game_end.reason = static_cast<int16_t>(1 + variant);
        m.u.game_end.stop_code = 0;
        break;
    case KVN_CHAT: std::strcpy(m.u.chat.text, variant ? "goedemiddag" : "hallo"); break;
    case KVN_BACK_REQUEST:
        m.u.back_request.move_number = static_cast<int16_t>(12 + variant);
        m.u.back_request.side_to_move = 'Z';
        break;
    default: m.u.back_accept.accept_code = static_cast<int16_t>(variant); break;
    }
    return m;
}

// The fields that tell one sample from another survive the trip.
inline bool same_content(const kvn_message &a, const kvn_message &b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case KVN_GAME_REQUEST:
        return a.u.game_request.version == b.u.game_request.version &&
               std::strncmp(a.u.game_request.name, b.u.game_request.name, std::strlen(a.u.game_request.name)) == 0 &&
               a.u.game_request.colour == b.u.game_request.colour &&
               a.u.game_request.thinking_time == b.u.game_request.thinking_time &&
               a.u.game_request.move_count == b.u.game_request.move_count;
    case KVN_GAME_ACCEPT: return a.u.game_accept.accept_code == b.u.game_accept.accept_code;
    case KVN_MOVE:
        return a.u.move.time == b.u.move.time && a.u.move.from_square == b.u.move.from_square &&
               a.u.move.to_square == b.u.move.to_square && a.u.move.capture_count == b.u.move.capture_count &&
               a.u.move.captured[0] == b.u.move.captured[0];
    case KVN_GAME_END:
        return a.u.game_end.reason == b.u.game_end.reason && a.u.game_end.stop_code == b.u.game_end.stop_code;
    case KVN_CHAT: return std::strcmp(a.u.chat.text, b.u.chat.text) == 0;
    case KVN_BACK_REQUEST:
        return a.u.back_request.move_number == b.u.back_request.move_number &&
               a.u.back_request.side_to_move == b.u.back_request.side_to_move;
    default: return a.u.back_accept.accept_code == b.u.back_accept.accept_code;
    }
}

// Sends one record from slot `from` and expects it as window message `to_message`
// for the other slot, of slots 0 and 1.
inline void exchange(const Api &api, HWND window, int32_t from, int32_t type, UINT to_message) {
    const int32_t to = 1 - from;
    const kvn_message sent = sample(type, from);
    api.send_message(from, &sent);
    MSG msg;
    char what[160];
    std::snprintf(what, sizeof what, "type %d from slot %d: notification arrives", type, from);
    check(next_notification(window, patience_ms, msg), what);
    std::snprintf(what, sizeof what, "type %d from slot %d: message id, wParam type code, lParam slot %d", type, from,
                  to);
    check(msg.message == to_message && msg.wParam == static_cast<WPARAM>(type) && msg.lParam == static_cast<LPARAM>(to),
          what);
    kvn_message received{};
    api.receive_message(to, &received);
    std::snprintf(what, sizeof what, "type %d from slot %d: record arrives intact", type, from);
    check(same_content(sent, received), what);
}

} // namespace kvn_host
