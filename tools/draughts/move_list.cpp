// move_list.cpp - the rare paths of a move list: moving to the heap, and copying.
#include "draughts/move_list.h"

#include <algorithm>

namespace draughts {

void MoveList::grow(const Move &m) {
    if (size_ >= heap_room_) { // no heap block yet, or a full one
        const int room = std::max(heap_room_, capacity) * 2;
        auto bigger = std::make_unique<Move[]>(static_cast<size_t>(room));
        std::copy(begin(), end(), bigger.get());
        heap_ = std::move(bigger);
        heap_room_ = room;
    } else if (data_ == moves_) {
        std::copy(begin(), end(), heap_.get()); // a block kept from before a clear()
    }
    heap_[static_cast<size_t>(size_++)] = m;
    data_ = heap_.get();
}

MoveList &MoveList::operator=(const MoveList &other) {
    if (this == &other) return *this;
    clear();
    for (const Move &m : other) push(m);
    return *this;
}

} // namespace draughts
