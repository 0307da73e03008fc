// conn_socket.cpp - CConnSocket construction, open, client and server set-up, destruction.
#include "tcp/conn_socket.h"

#include <cstring>

#include "core/timing.h"
#include "kvn.h"

namespace kvn {

using namespace platform;

CConnSocket::CConnSocket(const char *host, uint16_t ip_version, uint16_t port) : port_(port), ip_version_(ip_version) {
    role_ = (host == nullptr || host[0] == '\0') ? server : client;
    net_started_ = net_startup();
    if (!net_started_) {
        role_ = unusable;
    } else if (role_ == client) {
        uint8_t address[16] = {};
        if (!lookup_host(host, family(), address)) role_ = unusable;
        else if (ip_version_ == 4) std::memcpy(ipv4_address_, address, 4);
        else std::memcpy(ipv6_address_, address, 16);
    }
}

CConnSocket::~CConnSocket() {
    if (is_open()) close();
    // A link_lost thread may still be finishing (or waiting to find the
    // close guard taken); the object must outlive it.
    life_.outlive_loss_threads();
    if (net_started_) {
        reset_net_error();
        if (!net_cleanup() && last_net_error() == NetError::in_progress) {
            sleep_ms(timing::net_cleanup_retry_ms);
            net_cleanup();
        }
    }
}

int32_t CConnSocket::open() {
    if (is_open()) close();
    if (role_ == unusable) return KVN_UNUSABLE;
    const int32_t result = role_ == server ? connect_server() : connect_client();
    if (result != KVN_OK) return result;

    set_open(true);
    if (!life_.start(sender_thread, receiver_thread)) {
        set_open(false);
        socket_close(link_socket_);
        link_socket_ = invalid_socket;
        return KVN_NO_THREAD; // the slot stays untouched
    }
    return KVN_OK;
}

bool CConnSocket::set_keepalive() const {
    if (!socket_set_keepalive(link_socket_, keepalive_idle_s, keepalive_interval_s, keepalive_probes)) return false;
    socket_set_unacked_limit(link_socket_, unacked_limit_s);
    return true;
}

int32_t CConnSocket::connect_client() {
    const uint8_t *address = ip_version_ == 4 ? ipv4_address_ : ipv6_address_;
    link_socket_ = socket_open(family());
    if (link_socket_ == invalid_socket) return KVN_SOCKET_FAILED;
    if (!socket_connect(link_socket_, family(), address, port_)) {
        socket_close(link_socket_);
        return KVN_CONNECT_FAILED;
    }
    if (!socket_set_nonblocking(link_socket_)) {
        socket_close(link_socket_);
        return KVN_NONBLOCK_OR_BIND;
    }
    if (!set_keepalive()) {
        socket_close(link_socket_);
        return KVN_KEEPALIVE_OR_LISTEN;
    }
    return KVN_OK;
}

int32_t CConnSocket::connect_server() {
    const Socket listener = socket_open(family());
    if (listener == invalid_socket) return KVN_SOCKET_FAILED;
    if (!socket_set_nonblocking(listener)) {
        socket_close(listener);
        return KVN_CONNECT_FAILED;
    }
    socket_prepare_listener(listener);
    if (!socket_bind_any(listener, family(), port_)) {
        socket_close(listener);
        return KVN_NONBLOCK_OR_BIND;
    }
    if (!socket_listen(listener, 1)) {
        socket_close(listener);
        return KVN_KEEPALIVE_OR_LISTEN;
    }
    reset_net_error();
    link_socket_ = socket_accept(listener);
    if (link_socket_ == invalid_socket && last_net_error() == NetError::would_block) {
        sleep_ms(timing::accept_window_ms); // one more chance for a peer, then give up
        reset_net_error();
        link_socket_ = socket_accept(listener);
    }
    if (link_socket_ == invalid_socket) {
        const bool nobody_came = last_net_error() == NetError::would_block;
        socket_close(listener);
        return nobody_came ? KVN_NO_PEER : KVN_ACCEPT_FAILED;
    }
    // The link has its one peer: later attempts on the port are refused.
    socket_close(listener);
    if (!set_keepalive()) {
        socket_close(link_socket_);
        return KVN_ACCEPT_KEEPALIVE;
    }
    return KVN_OK;
}

} // namespace kvn
