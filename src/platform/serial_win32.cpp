// serial_win32.cpp - serial ports on Windows (not yet available: every open fails).
#include "platform/platform.h"

namespace kvn::platform {

int32_t serial_open(int32_t, Port &port) {
    port = invalid_port;
    return -2;
}
bool serial_read_byte(Port, uint8_t &, uint32_t &count) {
    count = 0;
    return false;
}
bool serial_write_byte(Port, uint8_t, uint32_t &count) {
    count = 0;
    return false;
}
void serial_close(Port) {}

} // namespace kvn::platform
