// conn_socket.h - CConnSocket: one TCP link, as client or server, IPv4 or IPv6.
#pragma once

#include <cstdint>

#include "core/connection.h"
#include "core/link_life.h"
#include "platform/platform.h"

namespace kvn {

class FrameBuffer;

class CConnSocket final : public CConnection {
public:
    enum Role : int16_t { unusable = -1, client = 0, server = 1 };

    // Keep-alive: a peer whose machine lost power or whose cable was pulled
    // shows up as a lost link after 20 quiet seconds and 10 unanswered
    // probes 4 s apart, about a minute; 10 is what Windows always sends.
    static constexpr uint32_t keepalive_idle_s = 20;
    static constexpr uint32_t keepalive_interval_s = 4;
    static constexpr uint32_t keepalive_probes = 10;
    // Keep-alive sends no probes while sent bytes wait for their
    // acknowledgement; a peer that vanished with a move in flight is given
    // up after this long instead of after the system's quarter of an hour.
    static constexpr uint32_t unacked_limit_s = 60;

    // A null or empty host makes a server; the object always comes into
    // being, and open() gives KVN_UNUSABLE when start-up or lookup failed.
    CConnSocket(const char *host, uint16_t ip_version, uint16_t port);
    ~CConnSocket() override;

    int32_t open() override;
    void close() override;

private:
    static void sender_thread(void *self);
    static void receiver_thread(void *self);

    int32_t connect_client();
    int32_t connect_server();
    bool set_keepalive() const;
    platform::Family family() const { return ip_version_ == 4 ? platform::Family::ipv4 : platform::Family::ipv6; }

    void run_sender();
    void run_receiver();
    // Hands every complete text in `frames` to the host while it has room;
    // true when one had to wait.  While closing they are taken but dropped.
    bool deliver_texts(FrameBuffer &frames, bool closing);
    // Sends one text and its NUL; false when the link failed or must stop.
    bool send_whole(const char *bytes, size_t length);
    void release_link() override;
    CLinkLife &life() override { return life_; }

    platform::Socket link_socket_ = 0;
    uint16_t port_;
    uint8_t ipv4_address_[4] = {};
    uint8_t ipv6_address_[16] = {};
    uint16_t ip_version_;
    Role role_ = client;
    bool net_started_ = false;
    CLinkLife life_{*this};
};

} // namespace kvn
