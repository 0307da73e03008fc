// conn_nulmodem.h - CConnNulmodem: a link over a null-modem cable on COM1..COM9.
#pragma once

#include <cstdint>
#include <memory>
#include <random>

#include "core/connection.h"
#include "core/link_life.h"
#include "platform/platform.h"

namespace kvn {

class CConnNulmodem final : public CConnection {
public:
    // Numbers outside 1..9 mean COM1.
    explicit CConnNulmodem(int32_t port_number);
    ~CConnNulmodem() override;

    // KVN_OK, or KVN_SOCKET_FAILED (port missing or busy) .. KVN_ACCEPT_FAILED
    // (port refused a setting), as the header lists them for a serial link.
    int32_t open() override;
    // Lets the sender finish what is queued, then returns once both workers
    // have ended; drops whatever is still queued.
    void close() override;

    const uint8_t start_marker = 0xD3;
    const uint8_t end_marker = 0xC5;

private:
    // Defined in serial/serial_test_seam.h, which only tests include.
    friend class NulmodemHarness;

    void release_link() override;
    CLinkLife &life() override { return life_; }
    bool told_to_stop() const { return life_.stopping(); }

    static void sender_thread(void *self);
    static void receiver_thread(void *self);

    void run_sender();
    void run_receiver();
    // true once the whole text, end marker included, has been echoed;
    // false when the stop flag made the sender give it up.
    bool transmit(const MsgText &text);
    enum class Collected { finished, stopping };
    // Called with the line held, just after a start marker was echoed.
    Collected collect(MsgText &collection);

    enum class Echo {
        matched,      // the peer wrote the byte back
        wrong,        // another byte came back: the peer may be sending too
        missing,      // nothing in time, or told to stop while waiting
        write_failed, // the byte never left
    };
    Echo send_byte(uint8_t byte);
    struct Received {
        enum class What {
            byte,     // read and echoed
            nothing,  // no byte in time, line noise (0), or 0xFF (echoed, never stored)
            stopping, // told to stop, or the echo failed
        };
        What what;
        uint8_t byte; // meaningful for What::byte only
        bool is(uint8_t b) const { return what == What::byte && byte == b; }
    };
    Received receive_byte();
    // Called by the sender, line held, after a wrong echo: gives the line to
    // the receiver for a pause of random length, then takes it back.
    void step_aside();

    int32_t port_number_;
    platform::Port port_handle_ = platform::invalid_port;
    // One port, two workers: whoever holds it owns the port for an exchange.
    std::unique_ptr<platform::Semaphore> line_semaphore_;
    // Only the sender uses it; seeded at the first wrong echo.
    std::minstd_rand pause_random_;
    bool pause_random_seeded_ = false;
    CLinkLife life_{*this};
};

} // namespace kvn
