// link_life.cpp - starting, waking and stopping a link's workers, the close guard and link_lost.
#include "core/link_life.h"

#include <new>

#include "core/connection.h"
#include "core/timing.h"

namespace kvn {

using platform::Semaphore;
using platform::Waker;

namespace {
using timing::close_guard_wait_ms;

// A receiver held back for the host goes on once the host has fetched this
// far below the limit: each wake-up then brings a batch of arrivals, rather
// than one text per fetch.
constexpr size_t resume_level = CConnection::received_limit - CConnection::received_limit / 4;
} // namespace

bool CLinkLife::start(Worker sender, Worker receiver) {
    stop_flag_ = 0;
    finishing_ = false;
    lost_ = false;
    guard_taken_ = false; // a fresh run of the link has not been torn down
    sender_waited_for_ = false;
    teardown_owed_ = false;
    sender_idle_ = false;
    receiver_held_ = false;
    try {
        sender_waker_ = std::make_unique<Waker>();
        receiver_waker_ = std::make_unique<Waker>();
    } catch (const std::bad_alloc &) { // no handle for one
        return false;                  // nothing runs yet
    }
    if (!sender_waker_ || !receiver_waker_) return false; // no memory for one
    workers_running_ = 2;
    if (!start_one(sender, sender_semaphore_)) {
        sender_semaphore_.reset();
        return false;
    }
    if (!start_one(receiver, receiver_semaphore_)) {
        workers_running_ = 1;
        stop_workers(); // the sender alone must not go on
        return false;
    }
    return true;
}

bool CLinkLife::start_one(Worker entry, std::unique_ptr<Semaphore> &held_for_it) {
    try {
        held_for_it = std::make_unique<Semaphore>();
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (!held_for_it) return false;
    held_for_it->take(Semaphore::forever);
    if (platform::start_thread(entry, &link_)) return true;
    held_for_it->give();
    held_for_it.reset();
    return false;
}

void CLinkLife::worker_begins(Role role) {
    (role == Role::sender ? sender_thread_ : receiver_thread_) = platform::current_thread_id();
}

void CLinkLife::sender_waits(uint32_t timeout_ms) {
    sender_idle_ = true;
    // Checked after the flag is up: a text queued before it is seen here,
    // one queued after it finds the flag and wakes us.
    if (link_.nothing_to_send() && !finishing() && !stopping())
        sender_waker_->wait(platform::invalid_socket, timeout_ms);
    sender_idle_ = false;
}

void CLinkLife::receiver_waits_for(platform::Socket s, uint32_t timeout_ms) {
    if (!stopping()) receiver_waker_->wait(s, timeout_ms);
}

void CLinkLife::receiver_held(uint32_t timeout_ms) {
    receiver_held_ = true;
    if (link_.receive_queue_full() && !stopping()) receiver_waker_->wait(platform::invalid_socket, timeout_ms);
    receiver_held_ = false;
}

void CLinkLife::text_queued() {
    if (sender_idle_.load()) sender_waker_->wake();
}

void CLinkLife::text_fetched() {
    if (receiver_held_.load() && link_.received_count() <= resume_level) receiver_waker_->wake();
}

bool CLinkLife::on_own_thread() const {
    const uint64_t self = platform::current_thread_id();
    return self == sender_thread_.load() || self == receiver_thread_.load() || self == teardown_thread_.load();
}

void CLinkLife::wake_both() {
    if (sender_waker_) sender_waker_->wake();
    if (receiver_waker_) receiver_waker_->wake();
}

void CLinkLife::worker_ends(Role role) {
    (role == Role::sender ? sender_thread_ : receiver_thread_) = 0;
    // Read before the semaphore is given: after that the link may be gone.
    const bool last = --workers_running_ == 0;
    const bool owed = last && teardown_owed_.exchange(false);
    auto &held = role == Role::sender ? sender_semaphore_ : receiver_semaphore_;
    held->give(); // the last touch of the link by this worker, unless a teardown is owed
    if (owed) {
        // A loss found no thread of its own: its teardown runs here, once
        // both workers have let go (which it waits for like any teardown).
        teardown_thread_ = platform::current_thread_id();
        link_lost(this);
    }
}

void CLinkLife::raise_stop() {
    stop_flag_ = 1;
    wake_both();
}

void CLinkLife::lost() {
    // kvn_disconnect's own shutdown, or a peer that went while it drained:
    // the close under way ends the link either way.
    if (finishing()) return;
    lost_ = true; // before the stop flag, so a worker that sees the stop knows why
    raise_stop();
    ++loss_threads_;
    // Should no thread be had, the last worker to end tears down instead
    // (one owed teardown is enough for both workers' losses).
    if (!platform::start_thread(link_lost, this) && teardown_owed_.exchange(true)) --loss_threads_;
}

void CLinkLife::link_lost(void *raw) {
    auto &life = *static_cast<CLinkLife *>(raw);
    if (life.claim_teardown()) {
        CConnection &link = life.link_;
        life.teardown_thread_ = platform::current_thread_id();
        life.stop_workers();
        link.release_link();
        // Only what was still to be sent goes: every text received stays
        // fetchable, and its notification was posted before the one below.
        link.drop_unsent();
        link.set_open(false);
        link.tell_lost();
        life.teardown_thread_ = 0;
    }
    --life.loss_threads_; // the last touch: the link may be destroyed from here on
}

bool CLinkLife::claim_teardown() {
    if (!guard_taken_.exchange(true)) return true;
    platform::sleep_ms(close_guard_wait_ms);
    return false;
}

bool CLinkLife::let_sender_finish(uint32_t limit_ms) {
    if (!sender_semaphore_) return false;
    finishing_ = true;
    wake_both();
    sender_waited_for_ = sender_semaphore_->take(limit_ms);
    return sender_waited_for_ && !stopping();
}

void CLinkLife::stop_workers() {
    raise_stop();
    if (sender_semaphore_ && !sender_waited_for_) sender_semaphore_->take(Semaphore::forever);
    if (receiver_semaphore_) receiver_semaphore_->take(Semaphore::forever);
    // Both workers have left the link: their semaphores are not given back.
    // The wakers stay, since the host's calls may still wake them.
    sender_semaphore_.reset();
    receiver_semaphore_.reset();
    sender_waited_for_ = false;
}

void CLinkLife::outlive_loss_threads() const {
    while (loss_threads_.load() != 0) platform::sleep_ms(1);
}

} // namespace kvn
