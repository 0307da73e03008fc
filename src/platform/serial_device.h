// serial_device.h - the device file that stands for COMn on POSIX.
#pragma once

#include <cstdint>
#include <string>

namespace kvn::platform {

// The path serial_open opens for COM `number` (1..9).  The library's own
// definition (serial_device_posix.cpp) gives the real device; the static
// archive the tests link swaps in serial_device_for_tests.cpp, which also
// defines the function below.
std::string serial_device_path(int32_t number);

// Tests' archive only: from now on COMn opens `pattern` with its one "%d"
// replaced by n (the COM number, 1..9), e.g. "/tmp/ports/COM%d".  A null
// pattern restores the real mapping, COMn -> /dev/ttyS<n-1>.  Returns false,
// changing nothing, for a pattern that does not hold exactly one "%d" and no
// other '%'.  Call it only while no serial link is being opened.
bool set_serial_device_pattern_for_tests(const char *pattern);

} // namespace kvn::platform
