// serial_test_hook.h - lets tests point COMn at pseudo-terminals (POSIX only, never exported).
#pragma once

namespace kvn::platform {

// From now on COMn opens `pattern` with its one "%d" replaced by n (the COM
// number, 1..9), e.g. "/tmp/ports/COM%d".  A null pattern restores the real
// mapping, COMn -> /dev/ttyS<n-1>.  Returns false, changing nothing, for a
// pattern that does not hold exactly one "%d" and no other '%'.
// Call it only while no serial link is being opened.
bool set_serial_device_pattern_for_tests(const char *pattern);

} // namespace kvn::platform
