// socket_workers.cpp - the TCP sender and receiver threads, close, and link loss.
//
// Framing: every message is its wire text followed by one 0x00 byte.
#include <cstring>

#include "codec/codec.h"
#include "tcp/conn_socket.h"
#include "tcp/frame_buffer.h"

namespace kvn {

using namespace platform;

namespace {
constexpr uint32_t poll_interval_ms = 100;
constexpr uint32_t close_guard_wait_ms = 20;
// A blocked send waits for room in small steps so the stop flag stays fresh.
constexpr uint32_t writable_wait_ms = 5;
} // namespace

void CConnSocket::sender_thread(void *self) { static_cast<CConnSocket *>(self)->run_sender(); }
void CConnSocket::receiver_thread(void *self) { static_cast<CConnSocket *>(self)->run_receiver(); }

void CConnSocket::run_sender() {
    // The semaphore was taken for this thread by open(); it is given back last.
    MsgText text;
    while (stop_flag_ == 0) {
        if (!send_queue.pop(text)) {
            sleep_ms(poll_interval_ms);
            continue;
        }
        if (stop_flag_ != 0) break; // taken too late: dropped unsent
        if (!send_whole(text.chars, std::strlen(text.chars) + 1)) break;
    }
    sender_semaphore_->give();
}

bool CConnSocket::send_whole(const char *bytes, size_t length) {
    size_t sent = 0;
    while (sent < length) {
        reset_net_error();
        const long result = socket_send(link_socket_, bytes + sent, length - sent);
        if (result >= 0) {
            sent += static_cast<size_t>(result);
        } else if (last_net_error() == NetError::would_block) {
            socket_wait_writable(link_socket_, writable_wait_ms);
        } else {
            on_link_loss();
            return false;
        }
        if (stop_flag_ != 0) return false;
    }
    return true;
}

void CConnSocket::run_receiver() {
    FrameBuffer frames;
    MsgText received;
    while (stop_flag_ == 0) {
        if (frames.full()) { // a peer that never terminates its text
            on_link_loss();
            break;
        }
        reset_net_error();
        const long result = socket_recv(link_socket_, frames.free_space(), frames.free_size());
        if (result > 0) {
            frames.added(static_cast<size_t>(result));
        } else if (result < 0 && last_net_error() == NetError::would_block) {
            sleep_ms(poll_interval_ms);
        } else { // 0: the peer closed; anything else: the socket failed
            on_link_loss();
            break;
        }
        // Every complete text is delivered before the next read.
        frames.take_texts(
            [this, &received](const char *text) {
                received.set_from_string(text);
                deliver(received);
            },
            [this] { return stop_flag_ == 0; });
    }
    receiver_semaphore_->give();
}

void CConnSocket::on_link_loss() {
    stop_flag_ = 1;
    ++pending_loss_threads_;
    if (!start_thread(link_lost, this)) --pending_loss_threads_;
}

void CConnSocket::link_lost(void *raw) {
    auto *self = static_cast<CConnSocket *>(raw);
    if (self->close_guard_.take(close_guard_wait_ms)) {
        self->tear_down();
        self->notify(connection_lost_code);
    }
    // Last touch of the object: the destructor may run as soon as this drops.
    --self->pending_loss_threads_;
}

void CConnSocket::close() {
    if (!close_guard_.take(close_guard_wait_ms)) return; // already torn down
    stop_flag_ = 1;
    tear_down();
}

void CConnSocket::tear_down() {
    socket_stop(link_socket_); // wakes both workers
    sender_semaphore_->take(Semaphore::forever);
    receiver_semaphore_->take(Semaphore::forever);
    sender_semaphore_.reset();
    receiver_semaphore_.reset();
    socket_release(link_socket_);
    send_queue.clear();
    receive_queue.clear();
    open_flag = 0;
}

} // namespace kvn
