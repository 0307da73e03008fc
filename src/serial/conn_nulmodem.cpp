// conn_nulmodem.cpp - CConnNulmodem construction, open, close and destruction.
#include "serial/conn_nulmodem.h"

#include <new>

#include "core/timing.h"
#include "kvn.h"

namespace kvn {

using namespace platform;

namespace {
// Numbers outside 1..9 mean COM1.  In unsigned arithmetic, so that the most
// negative number cannot overflow on the way.
int32_t com_number(int32_t port_number) { return static_cast<uint32_t>(port_number) - 1u > 8u ? 1 : port_number; }

// The one place where the port's outcomes become the connect function's codes.
int32_t result_code(SerialOpen outcome) {
    switch (outcome) {
    case SerialOpen::opened: return KVN_OK;
    case SerialOpen::cannot_open: return KVN_SOCKET_FAILED;
    case SerialOpen::cannot_read_settings: return KVN_CONNECT_FAILED;
    case SerialOpen::cannot_apply_settings: return KVN_NONBLOCK_OR_BIND;
    case SerialOpen::cannot_set_timeouts: return KVN_KEEPALIVE_OR_LISTEN;
    case SerialOpen::cannot_finish_setup: return KVN_ACCEPT_FAILED;
    }
    return KVN_SOCKET_FAILED;
}
} // namespace

CConnNulmodem::CConnNulmodem(int32_t port_number) : port_number_(com_number(port_number)) {}

CConnNulmodem::~CConnNulmodem() {
    if (is_open()) close();
}

int32_t CConnNulmodem::open() {
    if (is_open()) close();
    const SerialOpen outcome = serial_open(port_number_, port_handle_);
    if (outcome != SerialOpen::opened) {
        port_handle_ = invalid_port;
        return result_code(outcome);
    }
    // Nothing runs on the queues yet, so clearing them cannot race a worker.
    empty_queues();
    set_open(true);
    bool started = false;
    try {
        line_semaphore_ = std::make_unique<Semaphore>();
        started = line_semaphore_ && life_.start(sender_thread, receiver_thread);
    } catch (const std::bad_alloc &) {
        started = false;
    }
    if (!started) {
        set_open(false);
        line_semaphore_.reset();
        release_link();
        return KVN_NO_THREAD; // the slot stays untouched
    }
    return KVN_OK;
}

void CConnNulmodem::close() {
    if (!life_.claim_teardown()) return;
    life_.let_sender_finish(timing::serial_delivery_limit_ms);
    life_.stop_workers();
    line_semaphore_.reset();
    empty_queues();
    set_open(false);
    release_link();
}

void CConnNulmodem::release_link() {
    if (port_handle_ != invalid_port) serial_close(port_handle_);
    port_handle_ = invalid_port;
}

} // namespace kvn
