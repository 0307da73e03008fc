// serial_device.h - the device file that stands for COMn on POSIX.
#pragma once

#include <cstdint>
#include <string>

namespace kvn::platform {

// The path serial_open opens for COM `number` (1..9).  The library's own
// definition (serial_device_posix.cpp) gives the real device; the static
// archive the tests link swaps in the one behind serial/serial_test_seam.h.
std::string serial_device_path(int32_t number);

} // namespace kvn::platform
