// serial_win32.cpp - serial ports on Windows: COMn opened exclusively at 9600 8N1, 200 ms reads.
#include "platform/win32_headers.h"

#include "platform/platform.h"

namespace kvn::platform {

namespace {

// A failing port (an unplugged adapter) answers at once; the workers simply
// try again, so a failure waits as long as an ordinary time-out would.
constexpr DWORD failure_pause_ms = serial_io_window_ms;

HANDLE as_handle(Port port) { return reinterpret_cast<HANDLE>(port); }

// A line error (framing, overrun, a break) stops every read and write of a
// port whose abort-on-error flag the system set, until it is cleared; then
// the failed read or write is simply tried again, as after a time-out.
void recover(Port port) {
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(as_handle(port), &errors, &status);
    Sleep(failure_pause_ms);
}

SerialOpen give_up(HANDLE port, SerialOpen outcome) {
    CloseHandle(port);
    return outcome;
}

} // namespace

SerialOpen serial_open(int32_t number, Port &port) {
    port = invalid_port;
    char name[16];
    wsprintfA(name, "COM%d", static_cast<int>(number));
    const HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return SerialOpen::cannot_open;

    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings)) return give_up(handle, SerialOpen::cannot_read_settings);
    // Only these members change; everything else stays as the port had it.
    settings.BaudRate = CBR_9600;
    settings.fBinary = TRUE;
    settings.fParity = TRUE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDtrControl = DTR_CONTROL_DISABLE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fRtsControl = RTS_CONTROL_DISABLE;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    if (!SetCommState(handle, &settings)) return give_up(handle, SerialOpen::cannot_apply_settings);

    // A one-byte read: a waiting byte at once, else nothing after 200 ms.
    COMMTIMEOUTS timeouts{MAXDWORD, 100, 100, 100, 100};
    if (!SetCommTimeouts(handle, &timeouts)) return give_up(handle, SerialOpen::cannot_set_timeouts);
    if (!SetCommMask(handle, EV_RXCHAR)) return give_up(handle, SerialOpen::cannot_finish_setup);
    // What an earlier link left on the line (a start marker whose exchange a
    // disconnect abandoned, say) would be taken for the peer's and echoed.
    if (!PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR))
        return give_up(handle, SerialOpen::cannot_finish_setup);

    port = reinterpret_cast<Port>(handle);
    return SerialOpen::opened;
}

bool serial_read_byte(Port port, uint8_t &byte, uint32_t &count) {
    DWORD moved = 0;
    const bool ok = ReadFile(as_handle(port), &byte, 1, &moved, nullptr) != 0;
    count = ok ? static_cast<uint32_t>(moved) : 0;
    if (!ok) recover(port);
    return ok;
}

bool serial_write_byte(Port port, uint8_t byte, uint32_t &count) {
    DWORD moved = 0;
    const bool ok = WriteFile(as_handle(port), &byte, 1, &moved, nullptr) != 0;
    count = ok ? static_cast<uint32_t>(moved) : 0;
    if (!ok) recover(port);
    return ok;
}

void serial_close(Port port) {
    if (port != invalid_port) CloseHandle(as_handle(port));
}

} // namespace kvn::platform
