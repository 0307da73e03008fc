// conn_nulmodem.cpp - CConnNulmodem construction, open, close and destruction.
#include "serial/conn_nulmodem.h"

namespace kvn {

using namespace platform;

CConnNulmodem::CConnNulmodem(int32_t port_number)
    : port_number_(static_cast<uint32_t>(port_number - 1) > 8 ? 1 : port_number) {}

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
    stop_flag_ = 0;
    open_flag = 1;
    sender_semaphore_ = std::make_unique<Semaphore>();
    receiver_semaphore_ = std::make_unique<Semaphore>();
    line_semaphore_ = std::make_unique<Semaphore>();
    start_worker(sender_thread, this, *sender_semaphore_);
    start_worker(receiver_thread, this, *receiver_semaphore_);
    return 0;
}

void CConnNulmodem::close() {
    stop_flag_ = 1;
    if (sender_semaphore_) sender_semaphore_->take(Semaphore::forever);
    if (receiver_semaphore_) receiver_semaphore_->take(Semaphore::forever);
    sender_semaphore_.reset();
    receiver_semaphore_.reset();
    line_semaphore_.reset();
    send_queue.clear();
    receive_queue.clear();
    open_flag = 0;
    if (port_handle_ != invalid_port) serial_close(port_handle_);
    port_handle_ = invalid_port;
}

} // namespace kvn
