// platform.h - the system services the transports use; one back end per system.
//
// Nothing outside src/platform includes a system header.  The transports see
// sockets, semaphores, threads, sleeps, notification posts and serial ports
// only through these declarations, and system error codes are mapped here to
// the few outcomes they act on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace kvn::platform {

// ---- time and threads -------------------------------------------------------

void sleep_ms(uint32_t milliseconds);

// Starts entry(argument) on a new detached thread with the default stack;
// false, never an exception, when no thread (or no memory for it) can be had.
bool start_thread(void (*entry)(void *), void *argument);

// A number that tells the calling thread apart from every other running
// thread; never 0.
uint64_t current_thread_id();

// Memory that is null when the system has none: the no-throw operator new,
// which a host's (or a test's) own allocator may replace.  The DLL brings its
// own (nothrow_new_win32.cpp) that goes straight to the C heap: the C++
// runtime's makes an exception on the way, and with the heap empty that locks
// the runtime's emergency pool, whose first lock allocates again.
inline void *allocate(size_t size) noexcept { return ::operator new(size, std::nothrow); }
inline void release(void *block) noexcept { ::operator delete(block); }

// Whether running out of memory may be reported by throwing std::bad_alloc:
// not on Windows, for the reason above (and a C host could not catch it).
bool may_throw_without_memory() noexcept;

// A base for the library's heap objects: `new` gives null when there is no
// memory for one, never an exception (see allocate).
struct NoThrowNew {
    static void *operator new(size_t size) noexcept { return allocate(size); }
    static void operator delete(void *block) noexcept { release(block); }
};

// A plain lock that never allocates and never throws, even on its first use
// (threads_<system>.cpp): a thread out of memory can still take it.
class Lock {
public:
    Lock() noexcept;
    ~Lock();
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

    void lock() noexcept;
    void unlock() noexcept;

private:
    alignas(8) unsigned char storage_[64];
};

// A semaphore of initial and maximum count 1.
class Semaphore : public NoThrowNew {
public:
    static constexpr uint32_t forever = 0xFFFFFFFFu;

    Semaphore();
    ~Semaphore();
    Semaphore(const Semaphore &) = delete;
    Semaphore &operator=(const Semaphore &) = delete;

    // Takes the semaphore, waiting at most timeout_ms (or forever).
    bool take(uint32_t timeout_ms);
    void give();

private:
    void *handle_;
};

// ---- socket declarations used below ----------------------------------------

using Socket = intptr_t;
inline constexpr Socket invalid_socket = -1;

// ---- waking a waiting worker (wakeup_<system>.cpp) --------------------------

// What a worker waits on when it has nothing to do: its socket becoming
// readable (or closed, or failed), a wake() from another thread, or the end
// of its time.  A wake() given while nobody waits is kept for the next wait,
// so a wake-up that races the start of a wait is never lost.
class Waker : public NoThrowNew {
public:
    enum class Woken { socket, waker, timeout };

    // Throws std::bad_alloc when the system has no handle for it: the
    // callers treat it like an allocation.
    Waker();
    ~Waker();
    Waker(const Waker &) = delete;
    Waker &operator=(const Waker &) = delete;

    void wake();
    // Waits at most timeout_ms; with `s` other than invalid_socket, also for
    // bytes (or the end of the stream, or an error) on s.  One Waker watches
    // one socket for its whole life.
    Woken wait(Socket s, uint32_t timeout_ms);

private:
    intptr_t handle_;
    intptr_t socket_event_ = 0; // Windows: the event the watched socket signals
    Socket watched_ = invalid_socket;
};

// ---- notifications (notify_<system>.cpp) ------------------------------------

// Asynchronous post to the host's notification target; false when the system
// refused it (Windows: the thread's posted-message queue is full).
bool post_notification(void *window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// ---- sockets ----------------------------------------------------------------

enum class Family { ipv4, ipv6 };
enum class NetError { none, would_block, in_progress, other };

// One start-up per connection object, balanced by net_cleanup().
bool net_startup();
// false when the socket layer refused; last_net_error() then says why.
bool net_cleanup();

NetError last_net_error();
void reset_net_error();

// Address of the first lookup result for `name` in `family` (4 or 16 bytes).
bool lookup_host(const char *name, Family family, uint8_t address[16]);

Socket socket_open(Family family);
bool socket_connect(Socket s, Family family, const uint8_t address[16], uint16_t port);
// Options a listening socket needs on this system before bind (none on some).
void socket_prepare_listener(Socket s);
bool socket_bind_any(Socket s, Family family, uint16_t port);
bool socket_listen(Socket s, int backlog);
// An accepted socket is always non-blocking, like the listener it came from.
Socket socket_accept(Socket listener);
bool socket_set_nonblocking(Socket s);
// Switches keep-alive on (false if that fails), then asks for the first probe
// after idle_s quiet seconds and `probes` probes interval_s apart, where the
// system lets a program choose (a system that does not keeps its own).
bool socket_set_keepalive(Socket s, uint32_t idle_s, uint32_t interval_s, uint32_t probes);
// Gives up the connection when sent bytes stay unacknowledged for about
// limit_s seconds, where the system lets a program say so (keep-alive sends
// no probes while data is in flight); elsewhere the system's own limit holds.
void socket_set_unacked_limit(Socket s, uint32_t limit_s);
// Results: bytes moved, 0 for an orderly close (recv), -1 on error.
long socket_send(Socket s, const char *data, size_t length);
long socket_recv(Socket s, char *buffer, size_t capacity);
// Waits until the socket can take more bytes, at most timeout_ms.
void socket_wait_writable(Socket s, uint32_t timeout_ms);
void socket_close(Socket s);
// Ends our sending direction: the peer gets every byte sent so far, then
// the end of the stream.
void socket_shutdown_send(Socket s);
// Reads and drops what has arrived and not been read, so that closing the
// socket afterwards is an orderly close and not a reset (which would throw
// away bytes of ours the peer has not read yet).
void socket_discard_input(Socket s);

// ---- serial ports -----------------------------------------------------------

using Port = intptr_t;
inline constexpr Port invalid_port = -1;

// How opening a serial port ended; the serial link turns it into its result code.
enum class SerialOpen {
    opened,
    cannot_open, // missing, or held by another program
    cannot_read_settings,
    cannot_apply_settings,
    cannot_set_timeouts,
    cannot_finish_setup, // the event mask (Windows), or dropping bytes from before
};

// Every one-byte read or write on a serial port ends within this time, and a
// failing port is given the rest of it, so the workers never spin.
inline constexpr uint32_t serial_io_window_ms = 200;

// Opens COM<number> exclusively at 9600 8N1 without flow control, reads that
// return a waiting byte at once or nothing after about 200 ms.  `port` is
// set only when the outcome is `opened`.
SerialOpen serial_open(int32_t number, Port &port);
// true and count 1 with the byte, or count 0 after the read time-out.
bool serial_read_byte(Port port, uint8_t &byte, uint32_t &count);
bool serial_write_byte(Port port, uint8_t byte, uint32_t &count);
void serial_close(Port port);

} // namespace kvn::platform
