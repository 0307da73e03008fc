// message_text.h - a message record as one readable line.
#pragma once

#include <cstddef>
#include <string>

#include "kvn.h"

namespace kvnlink {

// Name of a message kind as kvnlink's commands spell it ("move", "backaccept", ...).
const char *kind_name(int32_t type);

// "move 32-28 x19,23 time 15" and the like.
std::string describe(const kvn_message &message);

// "..." with \" \\ and \xNN escapes, so that any bytes print as one line.
std::string quoted(const std::string &text);

// A side letter as printed: W, Z, or the escaped byte that stands there.
std::string side_name(char side);

// Names and chat texts in the record are NUL-terminated within their field.
std::string field_text(const char *field, size_t size);

} // namespace kvnlink
