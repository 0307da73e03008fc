// conn_nulmodem.h - CConnNulmodem: a link over a null-modem cable on COM1..COM9.
#pragma once

#include <cstdint>

#include "core/connection.h"
#include "platform/platform.h"

namespace kvn {

class CConnNulmodem final : public CConnection {
public:
    explicit CConnNulmodem(int32_t port_number);
    ~CConnNulmodem() override;

    int32_t open() override;
    void close() override;

    int32_t port_number() const { return port_number_; }

private:
    int32_t port_number_;
    platform::Port port_handle_ = platform::invalid_port;
};

} // namespace kvn
