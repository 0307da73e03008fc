// slot_guard.h - frees a library slot on every way out of a scope.
#pragma once

#include "kvn.h"

namespace kvnlink {

// kvn_disconnect ignores a free slot, so the guard may be set up before the
// connect call and needs no "opened" flag.
class SlotGuard {
public:
    explicit SlotGuard(int32_t slot) : slot_(slot) {}
    ~SlotGuard() { kvn_disconnect(slot_); }
    SlotGuard(const SlotGuard &) = delete;
    SlotGuard &operator=(const SlotGuard &) = delete;

private:
    int32_t slot_;
};

} // namespace kvnlink
