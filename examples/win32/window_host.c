/* window_host.c - a small Windows program that plays a game through kvn64.dll (or kvn.dll),
 * notified in its window procedure as a classic Windows host is.
 *
 * Build (MinGW):  x86_64-w64-mingw32-gcc window_host.c -I<kvn>/include -o window_host.exe
 * Run:            window_host.exe [host] [port]      (127.0.0.1 and 27531 by default)
 *
 * It loads the DLL at run time and finds the functions by name, so it needs no
 * import library.  It connects, asks for a game, and answers as it goes: after
 * the accept it plays 32-28; after the peer's first move it sends a game end
 * and leaves.  A real host would use its own window; this one makes a hidden
 * one.  Exit status 0 when the game went as planned.
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kvn.h"

#if defined(_WIN64)
#  define KVN_DLL "kvn64.dll"
#else
#  define KVN_DLL "kvn.dll"
#endif
#define WM_KVN (WM_APP + 1) /* any number from WM_APP up: it comes back with every notification */

typedef int32_t(KVN_CALL *connect_fn)(int32_t, const char *, kvn_window_handle, uint32_t, int32_t);
typedef void(KVN_CALL *send_fn)(int32_t, const kvn_message *);
typedef void(KVN_CALL *receive_fn)(int32_t, kvn_message *);
typedef void(KVN_CALL *disconnect_fn)(int32_t);

static struct {
    connect_fn connect;
    send_fn send;
    receive_fn receive;
    disconnect_fn disconnect;
} kvn;

static int moves_received, failed = 1;

static void send_move(int16_t from, int16_t to) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = 5;
    m.u.move.from_square = from;
    m.u.move.to_square = to;
    kvn.send(0, &m);
    printf("sent move %d-%d\n", from, to);
}

static void send_end(void) {
    kvn_message m;
    memset(&m, 0, sizeof m);
    m.type = KVN_GAME_END;
    kvn.send(0, &m);
    puts("sent game end");
}

/* wParam: the kind of message waiting (1..7), or 100 when the link was lost; lParam: the slot. */
static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_KVN) return DefWindowProcA(window, message, wparam, lparam);
    if (wparam == KVN_CONNECTION_LOST) {
        puts("the link was lost");
        PostQuitMessage(0);
        return 0;
    }
    kvn_message m;
    kvn.receive((int32_t)lparam, &m); /* one fetch for every notification */
    switch (m.type) {
    case KVN_GAME_ACCEPT:
        printf("received accept from %s, code %d\n", m.u.game_accept.name, m.u.game_accept.accept_code);
        send_move(32, 28);
        break;
    case KVN_MOVE:
        printf("received move %d-%d\n", m.u.move.from_square, m.u.move.to_square);
        if (++moves_received == 1) {
            send_end();
            failed = 0;
            PostQuitMessage(0);
        }
        break;
    case KVN_CHAT: printf("received chat \"%s\"\n", m.u.chat.text); break;
    default: printf("received a message of type %d\n", (int)m.type); break;
    }
    fflush(stdout);
    return 0;
}

int main(int argc, char **argv) {
    const char *host = argc > 1 ? argv[1] : "127.0.0.1";
    int32_t port = argc > 2 ? (int32_t)atoi(argv[2]) : KVN_DEFAULT_PORT;
    setvbuf(stdout, NULL, _IONBF, 0);

    HMODULE dll = LoadLibraryA(KVN_DLL);
    if (dll == NULL) {
        printf("cannot load %s\n", KVN_DLL);
        return 1;
    }
    /* void(*)(void) is the function type every other may pass through. */
    kvn.connect = (connect_fn)(void (*)(void))GetProcAddress(dll, "kvn_socket_connect_ex");
    kvn.send = (send_fn)(void (*)(void))GetProcAddress(dll, "kvn_send_message");
    kvn.receive = (receive_fn)(void (*)(void))GetProcAddress(dll, "kvn_receive_message");
    kvn.disconnect = (disconnect_fn)(void (*)(void))GetProcAddress(dll, "kvn_disconnect");
    if (!kvn.connect || !kvn.send || !kvn.receive || !kvn.disconnect) {
        puts("the DLL lacks a function");
        return 1;
    }

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "kvn_window_host";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "kvn", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    if (window == NULL) {
        puts("cannot create the window");
        return 1;
    }

    /* -3: nobody listens yet; try again for up to 30 s by the clock (a
     * refused connect itself can take a second or two on Windows). */
    int32_t r = KVN_CONNECT_FAILED;
    const DWORD started = GetTickCount();
    while (r == KVN_CONNECT_FAILED && GetTickCount() - started < 30000) {
        r = kvn.connect(0, host, window, WM_KVN, port);
        if (r == KVN_CONNECT_FAILED) Sleep(200);
    }
    if (r != KVN_OK) {
        printf("could not connect to %s port %d (result %d)\n", host, (int)port, (int)r);
        return 1;
    }
    puts("connected");

    kvn_message request;
    memset(&request, 0, sizeof request);
    request.type = KVN_GAME_REQUEST;
    request.u.game_request.version = 1;
    strcpy(request.u.game_request.name, "Window host");
    request.u.game_request.colour = 'W';
    request.u.game_request.thinking_time = 10;
    request.u.game_request.move_count = 75;
    request.u.game_request.side_to_move = 'W';
    memset(request.u.game_request.squares, 'z', 20);
    memset(request.u.game_request.squares + 20, 'e', 10);
    memset(request.u.game_request.squares + 30, 'w', 20);
    kvn.send(0, &request);
    puts("sent game request");

    /* The ordinary message loop: the library's notifications arrive in window_proc. */
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    kvn.disconnect(0); /* sends the game end still queued, then closes */
    DestroyWindow(window);
    FreeLibrary(dll);
    puts(failed ? "the game went wrong" : "game over");
    return failed;
}
