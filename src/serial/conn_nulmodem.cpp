// conn_nulmodem.cpp - CConnNulmodem set-up and teardown (the link is not yet carried).
#include "serial/conn_nulmodem.h"

namespace kvn {

CConnNulmodem::CConnNulmodem(int32_t port_number)
    : port_number_(static_cast<uint32_t>(port_number - 1) > 8 ? 1 : port_number) {}

CConnNulmodem::~CConnNulmodem() {
    if (is_open()) close();
}

int32_t CConnNulmodem::open() {
    if (is_open()) close();
    return platform::serial_open(port_number_, port_handle_);
}

void CConnNulmodem::close() {
    platform::serial_close(port_handle_);
    port_handle_ = platform::invalid_port;
    open_flag = 0;
}

} // namespace kvn
