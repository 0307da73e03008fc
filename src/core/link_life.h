// link_life.h - CLinkLife: a link's two workers from their start to the one teardown that ends them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace kvn {

class CConnection;

// Both transports run a link the same way: open starts a sender and a
// receiver; either kvn_disconnect (close) or, on TCP, a worker that meets a
// dead link (link_lost, on a thread of its own) ends it, and only the first
// of them does the work.  This class holds that life; a transport adds only
// what differs (what wakes or frees its socket or port).
//
// Each worker holds a semaphore of its own for its whole run; it is taken on
// the worker's behalf before the thread exists, so a teardown that comes
// before the thread has begun still waits for it.
//
// Idle workers do not poll: the sender sleeps until a text is queued, the
// TCP receiver until bytes arrive (or, held back by an unfetching host,
// until the host fetches).  Every such wait still ends within the poll
// interval, so a worker looks at the stop flag as often as a polling one.
class CLinkLife {
public:
    using Worker = void (*)(void *link);
    enum class Role { sender, receiver };

    explicit CLinkLife(CConnection &link) : link_(link) {}
    ~CLinkLife() { outlive_loss_threads(); }
    CLinkLife(const CLinkLife &) = delete;
    CLinkLife &operator=(const CLinkLife &) = delete;

    // Starts both workers with the link as their argument, or none: when a
    // thread, or a handle to wait on, cannot be had it stops what it started
    // and returns false, and the connect function fails with KVN_NO_THREAD.
    bool start(Worker sender, Worker receiver);

    // ---- for the workers ----------------------------------------------------

    // A worker's first act: the link knows its thread from then on.
    void worker_begins(Role role);
    // Set once the workers are to end at the next look.
    bool stopping() const { return stop_flag_.load() != 0; }
    // Set by kvn_disconnect before the stop: the sender ends once the send
    // queue is empty, and arrivals are no longer handed to the host.
    bool finishing() const { return finishing_.load(); }
    // Set with the stop flag when a worker met a dead link (not by close).
    bool was_lost() const { return lost_.load(); }
    // The sender found its queue empty: returns once a text is queued, the
    // disconnect begins or the stop comes, or after timeout_ms.
    void sender_waits(uint32_t timeout_ms);
    // The receiver found nothing to read: returns once `s` has bytes, an
    // end or an error, or the stop comes, or after timeout_ms.
    void receiver_waits_for(platform::Socket s, uint32_t timeout_ms);
    // The receiver holds back for the host: returns once the host has
    // fetched enough to make room, or the stop comes, or after timeout_ms.
    void receiver_held(uint32_t timeout_ms);
    // A worker's last act: gives back its semaphore (and, when a loss found
    // no thread for its teardown, the last worker to end does it).
    void worker_ends(Role role);
    // Called by a worker that met a dead link: stops both workers and tears
    // the link down on a link_lost thread, which then posts wParam 100.
    // While kvn_disconnect is closing the link, nothing is lost: the close
    // ends it, and posts nothing.
    void lost();
    // Raises the stop flag and wakes waiting workers; waits for nothing.
    void raise_stop();

    // ---- for the host's calls -----------------------------------------------

    // A text was queued: an idle sender is woken for it.
    void text_queued();
    // The host fetched a text: a held receiver is woken once there is room
    // for a good batch of arrivals.
    void text_fetched();
    // Whether the calling thread is one of this link's own (a worker, or the
    // teardown after a loss), as when the host's callback calls back in.
    bool on_own_thread() const;

    // ---- for close(), on the host's thread ----------------------------------

    // The close guard: true for the first teardown of this run of the link;
    // any later one waits 20 ms, as a semaphore that is never given back
    // would make it, and gets false.
    bool claim_teardown();
    // Lets the sender send every queued text, the one in flight included,
    // for at most limit_ms.  True when it did so and ended.
    bool let_sender_finish(uint32_t limit_ms);
    // Raises the stop flag and waits, without a limit, for both workers.
    void stop_workers();
    // Returns once no link_lost thread can touch the link any more.
    void outlive_loss_threads() const;

private:
    static void link_lost(void *life);
    bool start_one(Worker entry, std::unique_ptr<platform::Semaphore> &held_for_it);
    void wake_both();

    CConnection &link_;
    std::atomic<uint32_t> stop_flag_{0};
    std::atomic<bool> finishing_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> guard_taken_{false};
    std::unique_ptr<platform::Semaphore> sender_semaphore_;
    std::unique_ptr<platform::Semaphore> receiver_semaphore_;
    bool sender_waited_for_ = false; // its semaphore is held by the teardown
    // link_lost threads not yet finished with the link, including one that
    // lost the race for the guard and is in its 20 ms wait.
    std::atomic<int32_t> loss_threads_{0};
    // Workers that have not ended yet, and whether a loss that found no
    // thread left its teardown to the last of them.
    std::atomic<int32_t> workers_running_{0};
    std::atomic<bool> teardown_owed_{false};
    // What idle workers wait on.  Made by start() and kept until the link is
    // destroyed, since the host's calls may wake them at any time.
    std::unique_ptr<platform::Waker> sender_waker_;
    std::unique_ptr<platform::Waker> receiver_waker_;
    // Set by a worker just before it waits for the host, so the host's calls
    // wake it only then and cost nothing while traffic flows.
    std::atomic<bool> sender_idle_{false};
    std::atomic<bool> receiver_held_{false};
    // The threads that may call the host's callback (0: none).
    std::atomic<uint64_t> sender_thread_{0};
    std::atomic<uint64_t> receiver_thread_{0};
    std::atomic<uint64_t> teardown_thread_{0};
};

} // namespace kvn
