// slot_table.h - the process-wide table of three connection slots.
#pragma once

#include <cstdint>
#include <memory>

#include "core/connection.h"

namespace kvn {

inline constexpr uint32_t slot_count = 3;

// The slot's connection, or null for a free slot or a number out of range
// (compared as unsigned, so negative numbers are out of range too).
CConnection *connection_in(int32_t slot);

// Sets up `connection` for `slot`, opens it and, on success, stores it in
// place of whatever the slot held (that link is closed and destroyed first).
// On failure the new object is destroyed and the slot is left as it was.
// `slot` must be in range.
int32_t open_in_slot(int32_t slot, std::unique_ptr<CConnection> connection, void *window, uint32_t message);

// Closes and destroys the slot's connection and frees the slot.
void close_slot(int32_t slot);

} // namespace kvn
