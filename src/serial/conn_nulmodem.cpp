// conn_nulmodem.cpp - CConnNulmodem construction, open, close and destruction.
#include "serial/conn_nulmodem.h"

#include <new>

namespace kvn {

using namespace platform;

namespace {
// Numbers outside 1..9 mean COM1.  In unsigned arithmetic, so that the most
// negative number cannot overflow on the way.
int32_t com_number(int32_t port_number) { return static_cast<uint32_t>(port_number) - 1u > 8u ? 1 : port_number; }
} // namespace

CConnNulmodem::CConnNulmodem(int32_t port_number) : port_number_(com_number(port_number)) {}

CConnNulmodem::~CConnNulmodem() {
    if (is_open()) close();
}

int32_t CConnNulmodem::open() {
    if (is_open()) close();
    const int32_t result = serial_open(port_number_, port_handle_);
    if (result != 0) {
        port_handle_ = invalid_port;
        return result;
    }
    // Nothing runs on the queues yet, so clearing them cannot race a worker.
    send_queue.clear();
    receive_queue.clear();
    open_flag = 1;
    try {
        line_semaphore_ = std::make_unique<Semaphore>();
        life_.start(sender_thread, receiver_thread);
    } catch (const std::bad_alloc &) {
        open_flag = 0;
        line_semaphore_.reset();
        release_link();
        throw; // out of memory leaves the connect function, the slot untouched
    }
    return 0;
}

void CConnNulmodem::close() {
    if (!life_.claim_teardown()) return;
    life_.let_sender_finish(delivery_limit_ms);
    life_.stop_workers();
    line_semaphore_.reset();
    send_queue.clear();
    receive_queue.clear();
    open_flag = 0;
    release_link();
}

void CConnNulmodem::release_link() {
    if (port_handle_ != invalid_port) serial_close(port_handle_);
    port_handle_ = invalid_port;
}

} // namespace kvn
