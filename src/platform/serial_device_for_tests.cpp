// serial_device_for_tests.cpp - COMn wherever a test points it (see serial_device.h).
// Linked in place of serial_device_posix.cpp, into the tests' archive only.
#include <mutex>
#include <string>

#include "platform/serial_device.h"

namespace kvn::platform {

namespace {

std::mutex pattern_lock;
std::string test_pattern; // empty: the real devices

} // namespace

bool set_serial_device_pattern_for_tests(const char *pattern) {
    std::string candidate = pattern == nullptr ? std::string() : std::string(pattern);
    if (!candidate.empty()) {
        const size_t at = candidate.find("%d");
        if (at == std::string::npos || candidate.find('%', at + 2) != std::string::npos || candidate.find('%') != at)
            return false;
    }
    std::lock_guard<std::mutex> guard(pattern_lock);
    test_pattern = std::move(candidate);
    return true;
}

std::string serial_device_path(int32_t number) {
    std::lock_guard<std::mutex> guard(pattern_lock);
    if (test_pattern.empty()) return "/dev/ttyS" + std::to_string(number - 1);
    std::string path = test_pattern;
    path.replace(path.find("%d"), 2, std::to_string(number));
    return path;
}

} // namespace kvn::platform
