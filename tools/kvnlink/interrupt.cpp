// interrupt.cpp - the standard C signal call, which both systems' runtimes provide.
#include "interrupt.h"

#include <csignal>

namespace kvnlink {

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void on_interrupt(int) {
    requested = 1;
    std::signal(SIGINT, SIG_DFL); // the next Ctrl-C is not caught: whoever presses twice means it
}

} // namespace

void catch_interrupt() { std::signal(SIGINT, on_interrupt); }

bool interrupted() { return requested != 0; }

} // namespace kvnlink
