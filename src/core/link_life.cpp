// link_life.cpp - starting and stopping a link's workers, the close guard and link_lost.
#include "core/link_life.h"

#include <new>

#include "core/connection.h"
#include "core/timing.h"

namespace kvn {

using platform::Semaphore;

namespace {
using timing::close_guard_wait_ms;
// A receiver that reads on while the sender finishes naps this long, so the
// stop that follows finds it soon.
constexpr uint32_t finishing_nap_ms = 10;
} // namespace

void CLinkLife::start(Worker sender, Worker receiver) {
    stop_flag_ = 0;
    finishing_ = false;
    lost_ = false;
    guard_taken_ = false; // a fresh run of the link has not been torn down
    sender_waited_for_ = false;
    wake_ = std::make_unique<Semaphore>(); // nothing runs yet if this throws
    wake_->take(Semaphore::forever);
    if (!start_one(sender, sender_semaphore_)) {
        sender_semaphore_.reset();
        wake_.reset();
        throw std::bad_alloc();
    }
    if (!start_one(receiver, receiver_semaphore_)) {
        stop_workers(); // the sender alone must not go on
        throw std::bad_alloc();
    }
}

bool CLinkLife::start_one(Worker entry, std::unique_ptr<Semaphore> &held_for_it) {
    try {
        held_for_it = std::make_unique<Semaphore>();
    } catch (const std::bad_alloc &) {
        return false;
    }
    held_for_it->take(Semaphore::forever);
    if (platform::start_thread(entry, &link_)) return true;
    held_for_it->give();
    held_for_it.reset();
    return false;
}

void CLinkLife::pause(uint32_t milliseconds) {
    if (stopping()) return;
    if (finishing()) {
        platform::sleep_ms(milliseconds < finishing_nap_ms ? milliseconds : finishing_nap_ms);
        return;
    }
    // Given back at once, so the other worker's pause ends too.
    if (wake_->take(milliseconds)) wake_->give();
}

void CLinkLife::wake() { wake_->give(); }

void CLinkLife::worker_ends(Role role) {
    auto &held = role == Role::sender ? sender_semaphore_ : receiver_semaphore_;
    held->give(); // the last touch of the link by this worker
}

void CLinkLife::raise_stop() {
    stop_flag_ = 1;
    wake();
}

void CLinkLife::lost() {
    lost_ = true; // before the stop flag, so a worker that sees the stop knows why
    raise_stop();
    ++loss_threads_;
    // Should no thread be had, nothing is torn down or posted now; the
    // workers have stopped, and kvn_disconnect does the teardown later.
    if (!platform::start_thread(link_lost, this)) --loss_threads_;
}

void CLinkLife::link_lost(void *raw) {
    auto &life = *static_cast<CLinkLife *>(raw);
    if (life.claim_teardown()) {
        CConnection &link = life.link_;
        life.stop_workers();
        link.release_link();
        // Only what was still to be sent goes: every text received stays
        // fetchable, and its notification was posted before the one below.
        link.drop_unsent();
        link.set_open(false);
        link.notify(connection_lost_code);
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
    wake();
    sender_waited_for_ = sender_semaphore_->take(limit_ms);
    return sender_waited_for_ && !stopping();
}

void CLinkLife::stop_workers() {
    raise_stop();
    if (sender_semaphore_ && !sender_waited_for_) sender_semaphore_->take(Semaphore::forever);
    if (receiver_semaphore_) receiver_semaphore_->take(Semaphore::forever);
    // Both workers have left the link: their semaphores are not given back.
    sender_semaphore_.reset();
    receiver_semaphore_.reset();
    wake_.reset();
    sender_waited_for_ = false;
}

void CLinkLife::outlive_loss_threads() const {
    while (loss_threads_.load() != 0) platform::sleep_ms(1);
}

} // namespace kvn
