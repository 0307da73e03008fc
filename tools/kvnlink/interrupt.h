// interrupt.h - Ctrl-C as a request to wind down rather than an abrupt end, for the
// commands that have work in flight worth finishing (a match's games).
#pragma once

namespace kvnlink {

// From now on the first Ctrl-C (SIGINT) only sets the flag that interrupted()
// reads; a second one ends the program as usual.
void catch_interrupt();

// Whether Ctrl-C came since catch_interrupt().
bool interrupted();

} // namespace kvnlink
