// serial_environment.cpp - keeps every serial test away from the machine's real ports.
#include <gtest/gtest.h>

#include "serial/pty_peer.h"

namespace {

class NoRealPorts : public ::testing::Environment {
public:
    void SetUp() override { kvn::platform::set_serial_device_pattern_for_tests(kvn_test::nowhere_pattern); }
};

// Registered before main runs, so it is in force before the first test.
[[maybe_unused]] ::testing::Environment *const no_real_ports = ::testing::AddGlobalTestEnvironment(new NoRealPorts);

} // namespace
