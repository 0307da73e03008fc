// serial_device_posix.cpp - COMn is /dev/ttyS<n-1>.
#include "platform/serial_device.h"

namespace kvn::platform {

std::string serial_device_path(int32_t number) { return "/dev/ttyS" + std::to_string(number - 1); }

} // namespace kvn::platform
