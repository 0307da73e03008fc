// link_address.h - one end of a link written as a word: listen:PORT, connect:HOST:PORT, serial:N, ...
#pragma once

#include <string>

#include "link_options.h"

namespace kvnlink {

// The forms, for help texts and complaints.
inline constexpr const char *link_address_forms =
    "listen:PORT, listen6:PORT, connect:HOST:PORT, connect6:HOST:PORT or serial:N";

// Sets the mode, host, port or serial port of `end` from `address`; false
// (and `end` partly set) when the address is not one of the forms.
bool parse_link_address(const std::string &address, LinkOptions &end);

} // namespace kvnlink
