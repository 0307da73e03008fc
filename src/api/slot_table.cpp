// slot_table.cpp - storing, replacing and freeing the links held in the three slots.
#include "api/slot_table.h"

#include "kvn.h"

namespace kvn {

namespace {
// Raw pointers on purpose: nothing may run when the library is unloaded.
CConnection *slots[slot_count] = {};

bool valid(int32_t slot) { return static_cast<uint32_t>(slot) < slot_count; }
} // namespace

CConnection *connection_in(int32_t slot) { return valid(slot) ? slots[slot] : nullptr; }

int32_t open_in_slot(int32_t slot, std::unique_ptr<CConnection> fresh, void *window, uint32_t message) {
    fresh->set_notification_target(window, message, slot);
    const int32_t result = fresh->open();
    if (result != KVN_OK) return result;
    // A link still in the slot would otherwise run on unreachable, posting
    // under the same slot number.
    close_slot(slot);
    slots[slot] = fresh.release();
    return KVN_OK;
}

void close_slot(int32_t slot) {
    CConnection *connection = connection_in(slot);
    if (connection == nullptr) return;
    connection->close();
    delete connection;
    slots[slot] = nullptr;
}

} // namespace kvn
