// serial_test_seam.h - the one way tests reach inside the serial link: where
// COMn is, the receiver's stop flag and whether the queues are empty.  Nothing here is in libkvn; the
// static archive the tests link carries serial_test_seam.cpp (POSIX only).
#pragma once

#include "serial/conn_nulmodem.h"

namespace kvn::platform {

// From now on COMn opens `pattern` with its one "%d" replaced by n (the COM
// number, 1..9), e.g. "/tmp/ports/COM%d".  A null pattern restores the real
// mapping, COMn -> /dev/ttyS<n-1>.  Returns false, changing nothing, for a
// pattern that does not hold exactly one "%d" and no other '%'.
// Call it only while no serial link is being opened.
bool set_serial_device_pattern_for_tests(const char *pattern);

} // namespace kvn::platform

namespace kvn {

// Lets a scripted-port harness raise the stop flag where its script ends, as
// close() would raise it from the host's thread, so that it can run the
// workers on its own thread, one at a time.
class NulmodemHarness {
public:
    static void raise_stop(CConnNulmodem &link) { link.life_.raise_stop(); }
    // What close() is to leave behind: both queues empty.
    static bool nothing_to_send(const CConnNulmodem &link) { return link.nothing_to_send(); }
    static bool nothing_received(const CConnNulmodem &link) { return link.nothing_received(); }
};

} // namespace kvn
