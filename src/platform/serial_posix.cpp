// serial_posix.cpp - serial ports on POSIX: COMn is /dev/ttyS<n-1>, raw 9600 8N1, held exclusively.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "platform/platform.h"
#include "platform/serial_device.h"

namespace kvn::platform {

namespace {

// The workers rely on every one-byte read or write ending within this time.
constexpr std::chrono::milliseconds io_window{serial_io_window_ms};
// The same window in the tenths of a second that termios counts in.
constexpr cc_t io_window_ds = static_cast<cc_t>(serial_io_window_ms / 100);

// A failing or hung-up port answers at once; waiting out the rest of the
// usual time-out keeps the workers, which simply try again, from spinning.
void wait_out_window(std::chrono::steady_clock::time_point started) {
    const auto elapsed = std::chrono::steady_clock::now() - started;
    if (elapsed >= io_window) return;
    const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(io_window - elapsed);
    sleep_ms(static_cast<uint32_t>(rest.count()) + 1);
}

int descriptor(Port port) { return static_cast<int>(port); }

// Owns a descriptor while open() configures it; released on success.
class OpeningPort {
public:
    explicit OpeningPort(int fd) : fd_(fd) {}
    ~OpeningPort() {
        if (fd_ < 0) return;
        if (exclusive_) ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }
    OpeningPort(const OpeningPort &) = delete;
    OpeningPort &operator=(const OpeningPort &) = delete;

    int fd() const { return fd_; }
    void mark_exclusive() { exclusive_ = true; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
    bool exclusive_ = false;
};

void make_link_settings(termios &settings) {
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // A waiting byte at once, otherwise nothing after 200 ms.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = io_window_ds;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
}

bool settings_took(const termios &applied) {
    return applied.c_cc[VMIN] == 0 && applied.c_cc[VTIME] == io_window_ds && (applied.c_cflag & CSIZE) == CS8 &&
           (applied.c_cflag & (PARENB | CSTOPB | CRTSCTS)) == 0 && (applied.c_cflag & CLOCAL) != 0 &&
           (applied.c_iflag & (IXON | IXOFF)) == 0 && (applied.c_lflag & ICANON) == 0;
}

} // namespace

SerialOpen serial_open(int32_t number, Port &port) {
    port = invalid_port;
    // Non-blocking only while opening: without CLOCAL yet, a real port's
    // open could otherwise wait for a carrier that a null-modem never gives.
    OpeningPort opening(::open(serial_device_path(number).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (opening.fd() < 0) return SerialOpen::cannot_open;
    // flock also stops a second open from this process or from root, which
    // TIOCEXCL alone does not.
    if (flock(opening.fd(), LOCK_EX | LOCK_NB) != 0) return SerialOpen::cannot_open;
    if (ioctl(opening.fd(), TIOCEXCL) == 0) opening.mark_exclusive();

    termios settings{};
    if (tcgetattr(opening.fd(), &settings) != 0) return SerialOpen::cannot_read_settings;
    make_link_settings(settings);
    if (tcsetattr(opening.fd(), TCSANOW, &settings) != 0) return SerialOpen::cannot_apply_settings;

    // tcsetattr succeeds when any one change was made, so the time-outs
    // are checked, then made to govern reads by leaving non-blocking mode.
    termios applied{};
    if (tcgetattr(opening.fd(), &applied) != 0 || !settings_took(applied)) return SerialOpen::cannot_set_timeouts;
    const int flags = fcntl(opening.fd(), F_GETFL);
    if (flags < 0 || fcntl(opening.fd(), F_SETFL, flags & ~O_NONBLOCK) != 0) return SerialOpen::cannot_set_timeouts;

    // Bytes left over from before the link was opened belong to no exchange.
    if (tcflush(opening.fd(), TCIOFLUSH) != 0) return SerialOpen::cannot_finish_setup;

    port = static_cast<Port>(opening.release());
    return SerialOpen::opened;
}

bool serial_read_byte(Port port, uint8_t &byte, uint32_t &count) {
    count = 0;
    const auto started = std::chrono::steady_clock::now();
    const ssize_t result = ::read(descriptor(port), &byte, 1);
    if (result == 1) {
        count = 1;
        return true;
    }
    wait_out_window(started);
    return result == 0 || errno == EINTR;
}

bool serial_write_byte(Port port, uint8_t byte, uint32_t &count) {
    count = 0;
    const auto started = std::chrono::steady_clock::now();
    pollfd ready{descriptor(port), POLLOUT, 0};
    if (poll(&ready, 1, static_cast<int>(io_window.count())) == 1 && (ready.revents & POLLOUT) != 0 &&
        ::write(descriptor(port), &byte, 1) == 1) {
        count = 1;
        return true;
    }
    wait_out_window(started);
    return false;
}

void serial_close(Port port) {
    if (port == invalid_port) return;
    // On a pseudo-terminal TIOCEXCL outlives this descriptor while the
    // other end is open, which would refuse the next open with EBUSY.
    ioctl(descriptor(port), TIOCNXCL);
    ::close(descriptor(port));
}

} // namespace kvn::platform
