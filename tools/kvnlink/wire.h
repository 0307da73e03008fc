// wire.h - the library's codec used directly, for the commands that have no link to go through.
#pragma once

#include <string>

#include "kvn.h"

namespace kvnlink {

// The wire text the library would send for `message`.
std::string encode_wire(const kvn_message &message);

// The record the library would hand over for the wire text (zeroed first;
// texts longer than 127 characters are cut, as no link carries more).
kvn_message decode_wire(const std::string &text);

} // namespace kvnlink
