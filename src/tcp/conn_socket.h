// conn_socket.h - CConnSocket: one TCP link, as client or server, IPv4 or IPv6.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/connection.h"
#include "platform/platform.h"

namespace kvn {

class CConnSocket final : public CConnection {
public:
    enum Role : int16_t { unusable = -1, client = 0, server = 1 };

    static constexpr uint32_t accept_window_ms = 500;

    // A null or empty host makes a server; the object always comes into
    // being, and role() says whether start-up and lookup succeeded.
    CConnSocket(const char *host, uint16_t ip_version, uint16_t port);
    ~CConnSocket() override;

    int32_t open() override;
    void close() override;

    Role role() const { return role_; }

private:
    static void sender_thread(void *self);
    static void receiver_thread(void *self);
    static void link_lost(void *self);

    int32_t connect_client();
    int32_t connect_server();
    platform::Family family() const { return ip_version_ == 4 ? platform::Family::ipv4 : platform::Family::ipv6; }

    void run_sender();
    void run_receiver();
    // Sends one text and its NUL; false when the link failed or must stop.
    bool send_whole(const char *bytes, size_t length);
    void on_link_loss();
    // Steps shared by close() and link_lost once the close guard is held.
    void tear_down();

    platform::Socket link_socket_ = 0;
    uint16_t port_;
    uint8_t ipv4_address_[4] = {};
    uint8_t ipv6_address_[16] = {};
    uint16_t ip_version_;
    Role role_ = client;
    bool net_started_ = false;
    std::atomic<uint32_t> stop_flag_{0};
    std::unique_ptr<platform::Semaphore> sender_semaphore_;
    std::unique_ptr<platform::Semaphore> receiver_semaphore_;
    platform::Semaphore close_guard_;
    // link_lost threads not yet finished with this object; the destructor
    // waits for them, including one that lost the race for the close guard.
    std::atomic<int32_t> pending_loss_threads_{0};
};

} // namespace kvn
