// connection.h - CConnection: what every link kind has, and the notification rule.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/msg_queue.h"
#include "kvn.h"

namespace kvn {

inline constexpr uintptr_t connection_lost_code = KVN_CONNECTION_LOST;

class CLinkLife;

class CConnection : public platform::NoThrowNew { // null from new when there is no memory
public:
    // How many received texts a link holds for the host before its receiver
    // stops reading.  Every one of them has a notification posted, and on
    // Windows posted messages wait in the host thread's queue, which holds
    // 10,000 and is shared by the three slots: three full links take 6,000
    // of it and leave the host's own messages room.  A game has a few
    // hundred messages at most, so no honest peer comes near it.
    static constexpr size_t received_limit = 2000;

    CConnection() = default;
    CConnection(const CConnection &) = delete;
    CConnection &operator=(const CConnection &) = delete;
    virtual ~CConnection() = default;

    // Establishes the link and starts its workers: 0 or a negative code.
    virtual int32_t open() = 0;
    // Lets the sender send what is queued (for a bounded time), then stops
    // the workers, empties both queues and releases the link.
    virtual void close() = 0;

    bool is_open() const { return open_.load(); }

    // Takes a fully built received text: queues a copy, then tells the host.
    // false, with nothing queued or posted, when no memory could be had for
    // it; the receiver then keeps it and tries again later.  A notification
    // the system refuses (Windows: the host thread's posted-message queue is
    // full) is owed, and posted again, in order, by retry_owed().
    bool deliver(const MsgText &text);
    // The receiving thread's retry of what is owed, oldest first.
    void retry_owed();
    // The teardown after a loss, once the receiver has ended: what is owed,
    // then wParam 100, tried again until the system takes them or the host
    // disconnects.
    void tell_lost();
    // The host has this many texts unfetched (or this many notifications are
    // owed): the receiver takes no more.
    bool receive_queue_full() const { return receive_queue_.size() >= received_limit || owed_count_ >= received_limit; }

    // Where arrivals and the loss are told: set by the creator before open(),
    // read-only afterwards.
    void set_notification_target(void *window, uint32_t message, int32_t slot);
    // The slot table holds notifications back from open() until the slot
    // holds the link, so a host that answers one finds the link there.
    void hold_notifications() { notifications_held_ = true; }
    void release_notifications() { notifications_held_ = false; }
    // From the start of kvn_disconnect on, nothing more is posted.
    void stop_notifying() { silenced_ = true; }

    // The host's ends of the queues: kvn_send_message and kvn_receive_message.
    // queue_for_sending is false, with nothing queued, when no memory can be had.
    bool queue_for_sending(const MsgText &text);
    bool take_received(MsgText &text);
    // Whether the calling thread is one of the link's own, as when the
    // host's callback calls back into the library.
    bool on_own_thread() const;

protected:
    // ---- for the transports -------------------------------------------------

    // The sender's end of the send queue.
    bool next_to_send(MsgText &text) { return send_queue_.pop(text); }
    bool nothing_to_send() const { return send_queue_.empty(); }
    bool nothing_received() const { return receive_queue_.empty(); }
    // Opening starts, and a teardown ends, with both queues empty.
    void empty_queues() {
        send_queue_.clear();
        receive_queue_.clear();
    }
    void set_open(bool open) { open_.store(open); }

private:
    // A loss ends the link with drop_unsent() and set_open(false), and posts
    // through tell_lost(); it then frees the link with release_link().  Waiting
    // workers look at the queues through nothing_to_send() and
    // receive_queue_full().
    friend class CLinkLife;

    // The workers' life: woken by the host's calls above.
    virtual CLinkLife &life() = 0;
    const CLinkLife &life() const { return const_cast<CConnection *>(this)->life(); }

    void drop_unsent() { send_queue_.clear(); }
    // Posts (window, message, wparam, slot); true also when there is nothing
    // to post (a null window, or the host has begun to disconnect).  While the
    // creator holds notifications back, it waits until they are let through.
    bool post(uintptr_t wparam) const;
    size_t received_count() const { return receive_queue_.size(); }
    // Frees the socket or port once neither worker can touch it any more.
    virtual void release_link() = 0;

    std::atomic<bool> open_{false};
    CMsgQueue send_queue_;
    CMsgQueue receive_queue_;
    void *notification_window_ = nullptr;
    uint32_t notification_message_ = 0;
    int32_t slot_number_ = 0;
    std::atomic<bool> notifications_held_{false};
    std::atomic<bool> silenced_{false};
    // Notifications the system refused, in order: only the receiving thread
    // touches them, and after it the teardown that waited for its end.
    uint8_t owed_[received_limit] = {};
    size_t owed_first_ = 0;
    size_t owed_count_ = 0;
};

} // namespace kvn
