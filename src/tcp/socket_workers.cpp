// socket_workers.cpp - the TCP sender and receiver threads, and how close() ends a link.
//
// Framing: every message is its wire text followed by one 0x00 byte.
#include <cstring>

#include "core/timing.h"
#include "tcp/conn_socket.h"
#include "tcp/frame_buffer.h"

namespace kvn {

using namespace platform;

namespace {
using timing::poll_interval_ms;
// A blocked send waits for room in small steps so the stop flag stays fresh.
constexpr uint32_t writable_wait_ms = 5;
// Reads of the receiver's last pass after a loss: 1270 bytes each.
constexpr uint32_t last_pass_reads = 64;
} // namespace

void CConnSocket::sender_thread(void *self) { static_cast<CConnSocket *>(self)->run_sender(); }
void CConnSocket::receiver_thread(void *self) { static_cast<CConnSocket *>(self)->run_receiver(); }

void CConnSocket::run_sender() {
    life_.worker_begins(CLinkLife::Role::sender);
    MsgText text;
    while (!life_.stopping()) {
        // Read before the pop: every text queued before the disconnect
        // began is then seen by the pop below.
        const bool finishing = life_.finishing();
        if (!next_to_send(text)) {
            if (finishing) break; // everything queued has gone out
            life_.sender_waits(poll_interval_ms);
            continue;
        }
        if (life_.stopping()) break; // taken too late: dropped unsent
        if (!send_whole(text.chars, std::strlen(text.chars) + 1)) break;
    }
    life_.worker_ends(CLinkLife::Role::sender);
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
            life_.lost();
            return false;
        }
        if (life_.stopping()) return false;
    }
    return true;
}

void CConnSocket::run_receiver() {
    life_.worker_begins(CLinkLife::Role::receiver);
    FrameBuffer frames;
    // After a loss, reads left for the last pass: what had arrived is taken
    // in, but a peer that keeps sending cannot hold the teardown.
    uint32_t last_reads = last_pass_reads;
    for (;;) {
        // When the sender met the dead link, what the peer sent before it
        // went is still taken in and told, in one last pass that ends where
        // the bytes do; wParam 100 follows it.  A close ends at once.
        const bool last_pass = life_.stopping();
        if (last_pass && (!life_.was_lost() || life_.finishing() || last_reads-- == 0)) break;
        retry_owed();
        // Once the host is disconnecting, arrivals are read (so that the
        // close is not a reset) but no longer queued or notified.
        const bool closing = life_.finishing();
        // Every complete text is delivered before the next read, as long as
        // the host has room for it; the rest waits here, and so does the peer.
        if (deliver_texts(frames, closing)) { // read nothing more: TCP's own flow control holds the peer
            if (last_pass) break;
            life_.receiver_held(poll_interval_ms);
            continue;
        }
        if (frames.full()) { // a peer that never terminates its text
            if (!last_pass) life_.lost();
            break;
        }
        reset_net_error();
        const long result = socket_recv(link_socket_, frames.free_space(), frames.free_size());
        if (result > 0) {
            frames.added(static_cast<size_t>(result));
        } else if (result < 0 && last_net_error() == NetError::would_block) {
            if (last_pass) break;
            life_.receiver_waits_for(link_socket_, poll_interval_ms);
        } else { // 0: the peer closed; anything else: the socket failed
            // While closing, the sender may still finish; after a loss, it is told already.
            if (!closing && !last_pass) life_.lost();
            break;
        }
    }
    life_.worker_ends(CLinkLife::Role::receiver);
}

bool CConnSocket::deliver_texts(FrameBuffer &frames, bool closing) {
    bool held_back = false;
    MsgText received;
    frames.take_texts(
        [&](const char *text) {
            if (closing) return true;
            held_back = receive_queue_full();
            if (held_back) return false;
            received.set_from_string(text);
            held_back = !deliver(received);
            return !held_back;
        },
        [this] { return !life_.stopping() || life_.was_lost(); });
    return held_back;
}

void CConnSocket::close() {
    if (!life_.claim_teardown()) return; // already torn down
    life_.let_sender_finish(timing::tcp_delivery_limit_ms);
    // The peer gets what was sent, then the end of the stream.
    socket_shutdown_send(link_socket_);
    life_.stop_workers();
    release_link();
    empty_queues();
    set_open(false);
}

void CConnSocket::release_link() {
    // Both workers are gone, so no socket call of theirs can meet the handle
    // number once the system hands it out again.  Closing with unread bytes
    // would be a reset, which can make the peer throw away the last texts it
    // has not read yet.
    socket_discard_input(link_socket_);
    socket_close(link_socket_);
}

} // namespace kvn
