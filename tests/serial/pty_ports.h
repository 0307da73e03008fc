// pty_ports.h - pseudo-terminals standing in for COM ports, and the folder that makes them COMn;
// shared by the serial tests and the serial benchmark.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "serial/serial_test_seam.h"
#include "support/notification_log.h"

namespace kvn_test {

inline constexpr int nothing = -1;

// Where COMn points whenever no test has set up its own ports: a folder
// that does not exist, so no test can ever reach a real serial device.
inline constexpr const char *nowhere_pattern = "/nonexistent-kvn-test-ports/COM%d";

// One pseudo-terminal.  The library opens the slave by name; the test or
// the benchmark holds the master, which is the far end of the "cable".  It
// also keeps the slave open, so the master never sees a hang-up in between.
class Pty {
public:
    Pty() {
        termios raw{};
        cfmakeraw(&raw);
        char name[256] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        slave_name_ = name;
    }
    ~Pty() {
        ::close(master_);
        ::close(slave_);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    const std::string &slave_name() const { return slave_name_; }
    int master() const { return master_; }
    int slave() const { return slave_; }

    // The next byte from the library, or `nothing` after `limit`.
    int read_byte(std::chrono::milliseconds limit = patience) {
        pollfd ready{master_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(limit.count())) != 1 || (ready.revents & POLLIN) == 0) return nothing;
        uint8_t byte = 0;
        return ::read(master_, &byte, 1) == 1 ? byte : nothing;
    }

    void write_byte(uint8_t byte) {
        if (::write(master_, &byte, 1) != 1) throw std::runtime_error("pty write failed");
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_name_;
};

// A private folder of COMn links to pseudo-terminals, made the library's
// idea of where COM ports are for as long as it lives.
class PortDirectory {
public:
    PortDirectory() {
        char folder[] = "/tmp/kvn-serial-XXXXXX";
        if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = folder;
        if (!kvn::platform::set_serial_device_pattern_for_tests((folder_ + "/COM%d").c_str()))
            throw std::runtime_error("could not point COMn at the folder");
    }
    ~PortDirectory() {
        kvn::platform::set_serial_device_pattern_for_tests(nowhere_pattern);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PortDirectory(const PortDirectory &) = delete;
    PortDirectory &operator=(const PortDirectory &) = delete;

    void link(int com_number, const Pty &pty) {
        std::filesystem::create_symlink(pty.slave_name(), path_of(com_number));
    }
    std::string path_of(int com_number) const { return folder_ + "/COM" + std::to_string(com_number); }

private:
    std::string folder_;
};

} // namespace kvn_test
