// slot_table.cpp - storing, replacing and freeing the links held in the three slots.
#include "api/slot_table.h"

#include <atomic>

#include "kvn.h"
#include "platform/platform.h"

namespace kvn {

namespace {
// Raw pointers on purpose: nothing may run when the library is unloaded.
// Atomic, since the host's threads read the table while another of them
// connects or disconnects (a notification may be answered on any thread).
std::atomic<CConnection *> slots[slot_count] = {};

bool valid(int32_t slot) { return static_cast<uint32_t>(slot) < slot_count; }

void close_and_destroy(CConnection *connection) {
    connection->close();
    delete connection;
}

// On a thread of its own, for a disconnect called back from the link's own
// callback: the teardown waits for the link's threads, that one included.
void close_elsewhere(void *connection) { close_and_destroy(static_cast<CConnection *>(connection)); }
} // namespace

CConnection *connection_in(int32_t slot) { return valid(slot) ? slots[slot].load() : nullptr; }

int32_t open_in_slot(int32_t slot, std::unique_ptr<CConnection> fresh, void *window, uint32_t message) {
    fresh->set_notification_target(window, message, slot);
    fresh->hold_notifications();
    const int32_t result = fresh->open();
    if (result != KVN_OK) return result;
    // A link still in the slot would otherwise run on unreachable, posting
    // under the same slot number.
    close_slot(slot);
    CConnection *stored = fresh.release();
    slots[slot].store(stored);
    stored->release_notifications(); // the first arrival may now be told
    return KVN_OK;
}

void close_slot(int32_t slot) {
    if (!valid(slot)) return;
    CConnection *connection = slots[slot].exchange(nullptr);
    if (connection == nullptr) return;
    connection->stop_notifying();
    if (connection->on_own_thread()) {
        // The teardown finishes once the callback that called us returns.
        if (platform::start_thread(close_elsewhere, connection)) return;
        // No thread to be had: the link stays in its slot, unchanged but for
        // its silence, and a later kvn_disconnect from the host's own thread frees it.
        slots[slot].store(connection);
        return;
    }
    close_and_destroy(connection);
}

} // namespace kvn
