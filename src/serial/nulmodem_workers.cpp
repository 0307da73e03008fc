// nulmodem_workers.cpp - the serial sender and receiver threads and their echo handshake.
//
// Every byte a peer reads it writes straight back; a sender writes its next
// byte only after the echo of the last one matched.  A message is the start
// marker, at most 127 seven-bit characters, and the end marker.
#include <chrono>
#include <ctime>

#include "core/timing.h"
#include "serial/conn_nulmodem.h"

namespace kvn {

using namespace platform;

namespace {
// How long a sender that met a wrong echo leaves the line to its receiver.
constexpr uint32_t step_aside_min_ms = 100;
constexpr uint32_t step_aside_max_ms = 1000;
} // namespace

void CConnNulmodem::sender_thread(void *self) { static_cast<CConnNulmodem *>(self)->run_sender(); }
void CConnNulmodem::receiver_thread(void *self) { static_cast<CConnNulmodem *>(self)->run_receiver(); }

CConnNulmodem::Echo CConnNulmodem::send_byte(uint8_t byte) {
    uint32_t count = 0;
    if (!serial_write_byte(port_handle_, byte, count) || count != 1) return Echo::write_failed;
    const std::time_t written_at = std::time(nullptr);
    for (;;) {
        uint8_t echo = 0;
        count = 0;
        // A zero byte is line noise, never an echo.
        if (serial_read_byte(port_handle_, echo, count) && count == 1 && echo != 0)
            return echo == byte ? Echo::matched : Echo::wrong;
        if (told_to_stop()) return Echo::missing;
        if (std::time(nullptr) > written_at + static_cast<std::time_t>(timing::echo_patience_s)) return Echo::missing;
    }
}

CConnNulmodem::Received CConnNulmodem::receive_byte() {
    constexpr Received nothing_read{Received::What::nothing, 0};
    constexpr Received stopping{Received::What::stopping, 0};
    uint8_t byte = 0;
    uint32_t count = 0;
    if (!serial_read_byte(port_handle_, byte, count) || count != 1 || byte == 0) return nothing_read;
    if (told_to_stop()) return stopping;
    // An echoed end marker tells the peer its message arrived; once the host
    // is disconnecting, it would be dropped.  Unanswered, the peer's sender
    // keeps it and sends it again later, as towards a busy line.
    if (byte == end_marker && life_.finishing()) return stopping;
    count = 0;
    if (!serial_write_byte(port_handle_, byte, count) || count != 1) return stopping;
    // 0xFF is echoed like any byte but never stored.
    if (byte == 0xFF) return nothing_read;
    return {Received::What::byte, byte};
}

void CConnNulmodem::run_sender() {
    life_.worker_begins(CLinkLife::Role::sender);
    while (!told_to_stop()) {
        MsgText text;
        // Read before the pop: every text queued before the disconnect
        // began is then seen by the pop below.
        const bool finishing = life_.finishing();
        if (!next_to_send(text)) {
            if (finishing) break; // everything queued has gone through
            life_.sender_waits(timing::poll_interval_ms);
            continue;
        }
        // Held across every restart, so the receiver never takes an echo.
        line_semaphore_->take(Semaphore::forever);
        const bool gone_through = transmit(text); // given up on stop: dropped, not requeued
        line_semaphore_->give();
        if (!gone_through) break;
    }
    life_.worker_ends(CLinkLife::Role::sender);
}

// Two hosts that start a message at about the same moment each take the
// other's start marker for their echo and meet a wrong echo where the texts
// first differ.  Were both to start again at once with the line held, they
// would do so in step for ever and neither receiver would get the line.  So a
// wrong echo makes the sender step aside for a random while; the peer, whose
// pause ends first, then gets its message through to our receiver, and ours
// follows once the receiver lets go of the line.
bool CConnNulmodem::transmit(const MsgText &text) {
    bool wrong_echo = false;
    for (;;) {
        if (wrong_echo) step_aside();
        wrong_echo = false;
        if (told_to_stop()) return false;
        const Echo started = send_byte(start_marker);
        wrong_echo = started == Echo::wrong;
        if (started != Echo::matched) continue;

        int32_t sent = 0; // characters of the text echoed so far
        char next = text.chars[0];
        bool restart = false;
        while (!restart && next != '\0') {
            if (told_to_stop()) return false;
            switch (send_byte(static_cast<uint8_t>(next))) {
            case Echo::matched:
                ++sent;
                next = sent >= MsgText::capacity ? '\0' : text.chars[sent];
                break;
            case Echo::write_failed: // the same character again
                break;
            case Echo::wrong: // maybe the peer is sending: the whole message again, after a pause
                wrong_echo = true;
                restart = true;
                break;
            case Echo::missing: // the whole message again
                restart = true;
                break;
            }
        }
        if (restart) continue;

        for (;;) {
            if (told_to_stop()) return false;
            const Echo result = send_byte(end_marker);
            if (result == Echo::matched) return true;
            wrong_echo = result == Echo::wrong;
            if (result != Echo::write_failed) break;
        }
    }
}

void CConnNulmodem::step_aside() {
    if (!pause_random_seeded_) {
        // The clock's fine ticks differ between two hosts even when their
        // wrong echoes fall in the same second.
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        pause_random_.seed(static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)));
        pause_random_seeded_ = true;
    }
    std::uniform_int_distribution<uint32_t> pause_ms(step_aside_min_ms, step_aside_max_ms);
    uint32_t remaining = pause_ms(pause_random_);
    line_semaphore_->give();
    while (remaining > 0 && !told_to_stop()) { // short steps keep close() prompt
        const uint32_t step = remaining < timing::poll_interval_ms ? remaining : timing::poll_interval_ms;
        sleep_ms(step);
        remaining -= step;
    }
    line_semaphore_->take(Semaphore::forever);
}

void CConnNulmodem::run_receiver() {
    life_.worker_begins(CLinkLife::Role::receiver);
    MsgText collection{}; // zeroed: the delivered copy never carries uninitialised bytes
    collection.clear();
    while (!told_to_stop()) {
        sleep_ms(timing::poll_interval_ms);
        retry_owed();
        // With the host this far behind, or disconnecting, no new message is
        // begun: the peer's start marker waits unanswered, and its sender
        // tries again as it does towards a busy line.
        if (receive_queue_full() || life_.finishing()) continue;
        line_semaphore_->take(Semaphore::forever);
        // Anything but a start marker has been echoed by now and is dropped.
        const bool message_begins = receive_byte().is(start_marker);
        const bool stop = message_begins && collect(collection) == Collected::stopping;
        line_semaphore_->give();
        if (stop) break;
    }
    life_.worker_ends(CLinkLife::Role::receiver);
}

CConnNulmodem::Collected CConnNulmodem::collect(MsgText &collection) {
    for (;;) {
        if (told_to_stop()) return Collected::stopping;
        collection.clear();
        for (;;) {
            if (told_to_stop()) return Collected::stopping;
            const Received received = receive_byte();
            if (received.what == Received::What::stopping) return Collected::finished; // given up
            if (received.what == Received::What::nothing) continue;                    // a message has no time limit
            const uint8_t byte = received.byte;
            if (byte == start_marker) break; // the peer began again
            if (byte == end_marker) {
                if (told_to_stop()) return Collected::stopping;
                // Once the host is disconnecting, nothing more is queued or notified.
                if (life_.finishing()) return Collected::finished;
                MsgText text;
                text.clear();
                text.copy_from(collection);
                // No memory for it just now: it waits, line held, rather than
                // being lost after its end marker was echoed.
                while (!deliver(text)) {
                    if (told_to_stop()) return Collected::stopping;
                    sleep_ms(timing::poll_interval_ms);
                }
                return Collected::finished;
            }
            if (collection.cursor >= MsgText::capacity) return Collected::finished; // too long: given up
            collection.append_char(static_cast<char>(byte));
        }
    }
}

} // namespace kvn
