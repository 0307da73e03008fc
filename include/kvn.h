/* kvn.h - the whole host contract of the kvn draughts link library (C99 and C++).
 *
 * kvn carries game messages between two draughts programs over TCP (IPv4 or
 * IPv6, client or server) or over a null-modem serial cable.  A host opens a
 * link in one of three slots, sends kvn_message records, is notified of every
 * arriving message, fetches it, and finally disconnects.
 *
 * Building: find_package(kvn) and link kvn::kvn, or `pkg-config --cflags --libs
 * kvn`; on Windows link kvn64.lib (MSVC) or libkvn64.dll.a (MinGW).  Complete
 * programs: examples/c/send_move.c and examples/python/send_move.py; the wire
 * format is described in docs/protocol.md, this interface in docs/api.md, the
 * Python package in python/ in docs/python.md.
 *
 * Calling order, per slot:
 *   1. one connect function (kvn_socket_connect*, kvn_nulmodem_connect);
 *   2. any number of kvn_send_message / kvn_receive_message calls, normally
 *      one kvn_receive_message for every notification;
 *   3. kvn_disconnect, which also frees the slot.  Call it after a lost link
 *      too, and for every slot before the library is unloaded.
 * Call the functions for one slot from one thread at a time (normally the
 * host's window thread), and do not connect or disconnect a slot while another
 * thread sends or receives on it.  Different slots are independent.  Sending
 * and fetching are safe against the library's own threads.
 *
 * Notifications.  For every arriving message the library posts
 *     (window, message, wparam = type code 0..7, lparam = slot)
 * once the message can be fetched with kvn_receive_message, so one fetch per
 * notification always finds it (wparam 0: a text that named no message kind;
 * fetch it all the same).  `message` is the number the host passed to the
 * connect function, returned unchanged.  When a TCP link
 * is lost (peer closed, socket error, or garbage without a terminator) it posts
 * wparam = KVN_CONNECTION_LOST (100) once, after the notifications of every
 * message that arrived before the loss; those messages stay fetchable until
 * kvn_disconnect.  What was still waiting to be sent is discarded, and so is
 * anything sent later; the slot stays occupied until kvn_disconnect.  Keep-alive
 * reports a peer whose machine or cable is gone after about a minute of
 * silence, and a message of ours that stays unacknowledged that long ends the
 * link too (Windows Vista and later; earlier Windows keeps its own, longer
 * limit); a peer program that hangs while its system runs is not noticed
 * (there is no heartbeat at game level).  A serial link never reports a loss.
 * On Windows the notification is a PostMessageA to the host's HWND (choose a
 * message number from WM_APP on); one that the thread's full message queue
 * refuses is posted again, in order, about every 100 ms until it is taken, so
 * none is lost, wParam 100 included.  On other systems it is a call of
 * window->post(window, message, wparam, lparam) made from one of the library's
 * threads (the link's receiving thread for arrivals, a short-lived teardown
 * thread for KVN_CONNECTION_LOST), possibly for several slots at once: post
 * must return promptly (treat it like an asynchronous message post, e.g. push
 * into your own queue and wake your loop) and must be thread-safe if it serves
 * several slots; its outcome is ignored.  From inside post a host may call
 * kvn_receive_message, kvn_send_message and kvn_disconnect for the slot it is
 * told about (lparam), and nothing else: there kvn_disconnect frees the slot
 * at once and returns, and the link finishes closing (sending what was queued,
 * as below) on a thread of its own once post has returned (should the system
 * have no thread for it, the link stays in its slot, silent, until a
 * kvn_disconnect from the host's own thread).  The first
 * notification of a link comes only once the connect function has stored it,
 * so a host that answers it, on any thread, finds the link in its slot.  A null
 * window posts nothing; received messages can still be fetched.
 *
 * Timing.  The link's threads sleep while there is nothing to do and wake for
 * the event itself: a queued message, arriving bytes, a fetch that makes room
 * (each wait still ends within 100 ms).  On loopback a move reaches the peer
 * host's notification in well under a millisecond.  Nothing else about a link
 * depends on it: order, notifications and their count are the same at any
 * speed.
 *
 * A host that stops fetching is not flooded: a link holds at most 2000
 * unfetched messages (with their notifications: on Windows three such links
 * still leave room in a thread's posted-message queue of 10,000).  At that
 * point it stops reading; TCP then holds the peer back, and a serial peer
 * simply retries.  Nothing is dropped; reading resumes as the host fetches.
 *
 * Reusing a slot: notifications of the old link can still be waiting in the
 * host's own queue after kvn_disconnect has returned (on Windows, a wparam 100
 * posted just before the disconnect, for one).  Before connecting the slot
 * again, either remove them (PeekMessage with PM_REMOVE for your message
 * number, keeping those of other slots; with a kvn_window, from your own
 * queue), or let your loop handle everything already queued while it ignores
 * the notifications of a disconnected slot.  Otherwise an old wparam 100 would
 * seem to end the new link.
 *
 * Out of memory: when the system has no memory for a new link, the connect
 * function fails with the C++ runtime's allocation failure (std::bad_alloc)
 * and leaves the slot as it was; on Windows, whose hosts cannot catch it, it
 * returns KVN_NO_THREAD instead.  When the system has no thread for the
 * link's workers, the connect function returns KVN_NO_THREAD.  kvn_send_message throws
 * nothing: with no memory to queue it, the message is dropped.  No other
 * exception leaves the library, and the library's own threads never end the
 * process.
 */
#ifndef KVN_H
/* The header is also the manual: its tables are aligned by hand. */
/* clang-format off */
#define KVN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  define KVN_CALL __stdcall
#  if defined(KVN_BUILDING_LIBRARY) || defined(KVN_STATIC)
#    define KVN_API
#  else
#    define KVN_API __declspec(dllimport)
#  endif
#else
#  define KVN_CALL
#  if defined(KVN_BUILDING_LIBRARY)
#    define KVN_API __attribute__((visibility("default")))
#  else
#    define KVN_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this header and of the library it ships with (a test keeps
 * these equal to the project's version).  KVN_VERSION is "MAJOR.MINOR.PATCH". */
#define KVN_VERSION_MAJOR 1
#define KVN_VERSION_MINOR 40
#define KVN_VERSION_PATCH 0
#define KVN_VERSION_TEXT_(major, minor, patch) #major "." #minor "." #patch
#define KVN_VERSION_TEXT(major, minor, patch) KVN_VERSION_TEXT_(major, minor, patch)
#define KVN_VERSION KVN_VERSION_TEXT(KVN_VERSION_MAJOR, KVN_VERSION_MINOR, KVN_VERSION_PATCH)

/* Message type codes: kvn_message.type and the notification's wparam. */
#define KVN_NONE         0 /* empty text or unknown first letter */
#define KVN_GAME_REQUEST 1 /* "R" */
#define KVN_GAME_ACCEPT  2 /* "A" */
#define KVN_MOVE         3 /* "M" */
#define KVN_GAME_END     4 /* "E" */
#define KVN_CHAT         5 /* "C" */
#define KVN_BACK_REQUEST 6 /* "B" */
#define KVN_BACK_ACCEPT  7 /* "K" */
#define KVN_CONNECTION_LOST 100 /* wparam only: the TCP link was torn down */

#define KVN_DEFAULT_PORT 27531 /* used when a port argument is 0 */

/* Result codes of the connect functions.  0 is success; on any failure the
 * slot is left as it was.  The TCP codes mean different things for a client
 * (named host) and a server (null/empty host).  A host usually acts on three:
 * -1 (server: call again to keep waiting), -3 (client: peer not listening yet)
 * and -4 (server: port taken). */
#define KVN_OK               0
#define KVN_NO_PEER        (-1)   /* server: nobody connected within ~500 ms */
#define KVN_SOCKET_FAILED  (-2)   /* TCP: no socket; serial: port missing or busy */
#define KVN_CONNECT_FAILED (-3)   /* client: refused/unreachable; server: non-blocking mode; serial: reading settings */
#define KVN_NONBLOCK_OR_BIND (-4) /* client: non-blocking mode; server: port in use; serial: writing settings */
#define KVN_KEEPALIVE_OR_LISTEN (-5) /* client: keep-alive; server: listen; serial: time-outs */
#define KVN_ACCEPT_FAILED  (-6)   /* server: accept error; serial: event mask */
#define KVN_ACCEPT_KEEPALIVE (-7) /* server: keep-alive on the accepted link */
#define KVN_UNUSABLE      (-10)   /* TCP: host name not found (or no address of that
                                     family) or network start-up failed */
#define KVN_NO_THREAD     (-11)   /* any: the system had no thread (or no handle to
                                     wait on) for the link's workers; Windows:
                                     or no memory for the link */
#define KVN_BAD_SLOT     (-100)   /* slot is not 0, 1 or 2 */

/* Which side a connect result came from: the same code means different
 * things to a client, a server and a serial port. */
typedef enum kvn_connect_role {
    KVN_ROLE_CLIENT = 0, /* kvn_socket_connect* with a host name or address */
    KVN_ROLE_SERVER = 1, /* kvn_socket_connect* with a null or empty host */
    KVN_ROLE_SERIAL = 2  /* kvn_nulmodem_connect */
} kvn_connect_role;

/* A short English text for a connect result, e.g. "refused or unreachable"
 * (client, -3) or "the port is in use" (server, -4).  A code the role never
 * returns gives "unexpected result".  Defined here, so no export is added;
 * the texts are static and need no freeing. */
static inline const char *kvn_connect_result_text(int32_t result, kvn_connect_role role) {
    const int server = role == KVN_ROLE_SERVER;
    const int serial = role == KVN_ROLE_SERIAL;
    const char *const unexpected = "unexpected result";
    switch (result) {
    case KVN_OK: return serial ? "the port is open" : server ? "a peer connected" : "connected";
    case KVN_NO_PEER: return server ? "no peer connected" : unexpected;
    case KVN_SOCKET_FAILED: return serial ? "the port is missing, busy or not available" : "no socket";
    case KVN_CONNECT_FAILED:
        return serial ? "the port's settings could not be read" : server ? "no non-blocking mode" : "refused or unreachable";
    case KVN_NONBLOCK_OR_BIND:
        return serial ? "the port refused its settings" : server ? "the port is in use" : "no non-blocking mode";
    case KVN_KEEPALIVE_OR_LISTEN:
        return serial ? "the port refused its time-outs" : server ? "listen failed" : "no keep-alive";
    case KVN_ACCEPT_FAILED: return serial ? "the port refused its event mask" : server ? "accept failed" : unexpected;
    case KVN_ACCEPT_KEEPALIVE: return server ? "no keep-alive on the accepted link" : unexpected;
    case KVN_UNUSABLE:
        return serial ? unexpected : server ? "network unusable" : "host name not found or network unusable";
    case KVN_NO_THREAD: return "no thread for the link";
    case KVN_BAD_SLOT: return "the slot is not 0, 1 or 2";
    default: return unexpected;
    }
}

/* The message record.  Byte-packed, 131 bytes (other languages: declare it
 * with 1-byte packing); only the member named by `type` has meaning.  Numbers
 * out of range are replaced when sending ("else sent as" below) and clamped,
 * differently, when receiving (docs/protocol.md); characters travel as 7 bits.
 * Fetching writes `type` and that member only, a chat up to the last byte, so
 * always pass a whole kvn_message. */
#pragma pack(push, 1)

typedef struct kvn_game_request {
    int16_t version;       /* 1..99, else sent as 1 */
    char    name[33];      /* up to 32 characters and a NUL; empty or with a
                              leading blank: sent as "P" */
    char    colour;        /* 'W' white or 'Z' black ('z' goes as 'Z', anything else as 'W') */
    int16_t thinking_time; /* first time-control number, 0..999, else sent as 10 */
    int16_t move_count;    /* second time-control number, 0..999, else sent as 0 */
    char    side_to_move;  /* 'W' or 'Z' in the starting position */
    char    squares[50];   /* squares 1..50, no terminator.  The initial position
                              (1..20 'z', 21..30 'e', 31..50 'w', 'W' to move)
                              goes in a short form; other characters travel as given. */
} kvn_game_request;

typedef struct kvn_game_accept {
    char    name[33];      /* as in a game request, but the placeholder is "Q" */
    int16_t accept_code;   /* 0..3, else sent as 3; at the odd offset 37 */
} kvn_game_accept;

typedef struct kvn_move {
    int16_t time;          /* 0..9999, else sent as 0 */
    int16_t from_square;   /* 1..50, else sent as 1 (a received bad square reads as 0) */
    int16_t to_square;     /* 1..50, as from_square */
    int16_t capture_count; /* 0..20, else sent as 0 with no captures */
    int16_t captured[20];  /* first capture_count entries count, 1..50, else sent as 0 */
} kvn_move;

typedef struct kvn_game_end {
    int16_t reason;        /* 0..3, else sent as 0 */
    int16_t stop_code;     /* 0 or 1, else sent as 1 */
} kvn_game_end;

typedef struct kvn_chat {
    char text[127];        /* up to 126 characters and a NUL; empty: sent as one space */
} kvn_chat;

typedef struct kvn_back_request {
    int16_t move_number;   /* 1..999, else sent as 1 */
    char    side_to_move;  /* 'W' or 'Z', sent as given */
} kvn_back_request;

typedef struct kvn_back_accept {
    int16_t accept_code;   /* 0..2, else sent as 1 */
} kvn_back_accept;

typedef struct kvn_message {
    int32_t type;          /* KVN_NONE .. KVN_BACK_ACCEPT; any other value sends an
                              empty text, which the peer drops */
    union {
        kvn_game_request game_request;
        kvn_game_accept  game_accept;
        kvn_move         move;
        kvn_game_end     game_end;
        kvn_chat         chat;
        kvn_back_request back_request;
        kvn_back_accept  back_accept;
    } u;
} kvn_message;

#pragma pack(pop)

/* The layout is part of the binary contract: these fail to compile if it moves. */
#define KVN_LAYOUT_CHECK(name, cond) typedef char kvn_layout_check_##name[(cond) ? 1 : -1]
KVN_LAYOUT_CHECK(size, sizeof(kvn_message) == 131);
KVN_LAYOUT_CHECK(type, offsetof(kvn_message, type) == 0);
KVN_LAYOUT_CHECK(rq_version, offsetof(kvn_message, u.game_request.version) == 4);
KVN_LAYOUT_CHECK(rq_name, offsetof(kvn_message, u.game_request.name) == 6);
KVN_LAYOUT_CHECK(rq_colour, offsetof(kvn_message, u.game_request.colour) == 39);
KVN_LAYOUT_CHECK(rq_time, offsetof(kvn_message, u.game_request.thinking_time) == 40);
KVN_LAYOUT_CHECK(rq_moves, offsetof(kvn_message, u.game_request.move_count) == 42);
KVN_LAYOUT_CHECK(rq_side, offsetof(kvn_message, u.game_request.side_to_move) == 44);
KVN_LAYOUT_CHECK(rq_squares, offsetof(kvn_message, u.game_request.squares) == 45);
KVN_LAYOUT_CHECK(ac_name, offsetof(kvn_message, u.game_accept.name) == 4);
KVN_LAYOUT_CHECK(ac_code, offsetof(kvn_message, u.game_accept.accept_code) == 37);
KVN_LAYOUT_CHECK(mv_time, offsetof(kvn_message, u.move.time) == 4);
KVN_LAYOUT_CHECK(mv_from, offsetof(kvn_message, u.move.from_square) == 6);
KVN_LAYOUT_CHECK(mv_to, offsetof(kvn_message, u.move.to_square) == 8);
KVN_LAYOUT_CHECK(mv_count, offsetof(kvn_message, u.move.capture_count) == 10);
KVN_LAYOUT_CHECK(mv_captured, offsetof(kvn_message, u.move.captured) == 12);
KVN_LAYOUT_CHECK(end_reason, offsetof(kvn_message, u.game_end.reason) == 4);
KVN_LAYOUT_CHECK(end_stop, offsetof(kvn_message, u.game_end.stop_code) == 6);
KVN_LAYOUT_CHECK(chat_text, offsetof(kvn_message, u.chat.text) == 4);
KVN_LAYOUT_CHECK(back_number, offsetof(kvn_message, u.back_request.move_number) == 4);
KVN_LAYOUT_CHECK(back_side, offsetof(kvn_message, u.back_request.side_to_move) == 6);
KVN_LAYOUT_CHECK(backac_code, offsetof(kvn_message, u.back_accept.accept_code) == 4);

/* Where notifications go.  On Windows a window handle; elsewhere a small
 * callback object owned by the host, which must outlive every link using it
 * (keep it until kvn_disconnect has returned).  `context` is the host's own. */
#if defined(_WIN32)
typedef HWND kvn_window_handle;
#else
typedef struct kvn_window {
    void (*post)(struct kvn_window *self, uint32_t message, uintptr_t wparam, intptr_t lparam);
    void *context;
} kvn_window;
typedef kvn_window *kvn_window_handle;
#endif

/* Ends the link in `slot` and frees the slot.  First the link sends what was
 * queued with kvn_send_message, the message in flight included, for at most
 * about one second (TCP) or two (serial, through the peer's echoes), so a
 * game's last move and game end reach the peer; a TCP link then ends its
 * sending side before it closes, so the peer gets every byte and then the
 * end of the stream, even while bytes from the peer are still unread here.
 * With nothing queued it returns within milliseconds (a serial link within
 * about 300 ms); after a lost link, within about 20 ms.  Whatever the peer
 * does (reads, floods or stays silent), a TCP link is closed within about
 * 1.5 s in all.  Returns once the link's worker threads have ended (called
 * from the link's own notification callback, at once: see Notifications);
 * unfetched messages, and any that arrive meanwhile, are discarded, and
 * nothing is posted for them or for the disconnect, from the moment it is
 * called.  A free or invalid slot is ignored, so a second call is harmless.
 * (ordinal 1) */
KVN_API void KVN_CALL kvn_disconnect(int32_t slot);

/* Opens a null-modem link on serial port COM1..COM9 (`port` 1..9; any other
 * number means 1).  On Linux COMn is /dev/ttyS<n-1>.  Returns 0 or a negative
 * result code: -2 port missing or already open, -3..-6 the port refused its
 * settings, -100 bad slot. (ordinal 2) */
KVN_API int32_t KVN_CALL kvn_nulmodem_connect(int32_t slot, int32_t port,
                                              kvn_window_handle window, uint32_t message);

/* Fetches the oldest received message of `slot` into *message: `type` and the
 * member it names, nothing else.  With nothing waiting (or a free/invalid
 * slot) only message->type is set, to 0.  A null `message` discards the
 * oldest received message. (ordinal 3) */
KVN_API void KVN_CALL kvn_receive_message(int32_t slot, kvn_message *message);

/* Queues *message for sending on `slot`; returns at once, and the link's
 * sender wakes and sends it straight away.  The record is only read and may be
 * reused at once.  A free or invalid slot, or a null message, is ignored;
 * after a lost link the message is silently discarded, and so it is when no
 * memory can be had to queue it (nothing is thrown). (ordinal 4) */
KVN_API void KVN_CALL kvn_send_message(int32_t slot, const kvn_message *message);

/* Opens a TCP link over IPv4 on the default port 27531.  A null or empty
 * `host` makes this side the server: it listens on every local address and
 * waits about 500 ms for one peer (-1 when none came; call again to keep
 * waiting); once a peer is accepted it stops listening.  Otherwise it connects
 * to `host` (a name or numeric address), blocking until connected or refused
 * (towards a silent address, for the system's connect time-out).  Disconnect
 * a slot before connecting it again: a link still in the slot is closed only
 * once the new one is open, and stays if the new connect fails. (ordinal 5) */
KVN_API int32_t KVN_CALL kvn_socket_connect(int32_t slot, const char *host,
                                            kvn_window_handle window, uint32_t message);

/* As kvn_socket_connect, over IPv6.  Use "::1", not "localhost", for this
 * machine: localhost may have no IPv6 entry.  Whether an IPv6 server also
 * takes IPv4 peers is the system's default. (ordinal 6) */
KVN_API int32_t KVN_CALL kvn_socket_connect6(int32_t slot, const char *host,
                                             kvn_window_handle window, uint32_t message);

/* As kvn_socket_connect6, on `port` (0 = 27531; only the low 16 bits count). (ordinal 7) */
KVN_API int32_t KVN_CALL kvn_socket_connect6_ex(int32_t slot, const char *host,
                                                kvn_window_handle window, uint32_t message,
                                                int32_t port);

/* As kvn_socket_connect, on `port` (0 = 27531; only the low 16 bits count). (ordinal 8) */
KVN_API int32_t KVN_CALL kvn_socket_connect_ex(int32_t slot, const char *host,
                                               kvn_window_handle window, uint32_t message,
                                               int32_t port);

#ifdef __cplusplus
}
#endif

/* clang-format on */
#endif /* KVN_H */
