// serial_test_seam.h - the one way tests reach inside the serial link: where
// COMn is (platform/serial_device.h, whose test definition only the tests'
// static archive carries, POSIX only), the receiver's stop flag and whether
// the queues are empty.  Nothing here is in libkvn.
#pragma once

#include "platform/serial_device.h"
#include "serial/conn_nulmodem.h"

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
