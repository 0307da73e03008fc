// connection.h - CConnection: what every link kind has, and the notification rule.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/msg_queue.h"
#include "platform/platform.h"

namespace kvn {

inline constexpr uintptr_t connection_lost_code = 100;

class CConnection {
public:
    CConnection() = default;
    CConnection(const CConnection &) = delete;
    CConnection &operator=(const CConnection &) = delete;
    virtual ~CConnection() = default;

    // Establishes the link and starts its workers: 0 or a negative code.
    virtual int32_t open() = 0;
    // Stops the workers, empties both queues, releases the link.
    virtual void close() = 0;

    bool is_open() const { return (open_flag.load() & 1u) != 0; }

    // Takes a fully built received text: queues a copy, then tells the host.
    void deliver(const MsgText &text);
    // Posts (window, message, wparam, slot); nothing when the window is null.
    void notify(uintptr_t wparam) const;

    std::atomic<uint32_t> open_flag{0};
    CMsgQueue send_queue;
    CMsgQueue receive_queue;
    // Written by the creator before open(), read-only afterwards.
    void *notification_window = nullptr;
    uint32_t notification_message = 0;
    int32_t slot_number = 0;

protected:
    // Starts entry(self) on a thread of its own.  Each worker holds its
    // semaphore for its whole run; it is taken here, on the worker's behalf,
    // before the thread exists, so a teardown that comes before the thread
    // has begun still waits for it.  A thread that cannot start leaves
    // nothing to wait for; the link then runs without that worker.
    static bool start_worker(void (*entry)(void *), void *self, platform::Semaphore &held_for_it);
};

} // namespace kvn
