// move_list.h - the legal moves of one position: a fixed array that never
// allocates in the common case, and moves onto the heap in the rare position
// that has more moves than the array holds, so that no move is ever lost.
#pragma once

#include <memory>

#include "draughts/position.h"

namespace draughts {

class MoveList {
public:
    // Quiet moves stay well under this: a quiet move ends on an empty square,
    // which at most one piece reaches from each of the four directions.  Kings
    // with many pieces to take can exceed it (288 captures are known in one
    // position), so past it the list moves to the heap.
    static constexpr int capacity = 256;

    MoveList() = default;
    MoveList(const MoveList &other) { *this = other; }
    MoveList &operator=(const MoveList &other);

    void clear() {
        size_ = 0;
        data_ = moves_; // a heap block stays for the next overflow
    }
    void push(const Move &m) {
        if (size_ < capacity) moves_[size_++] = m;
        else grow(m);
    }
    bool contains(const Move &m) const {
        for (const Move &x : *this)
            if (x == m) return true;
        return false;
    }
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Move &operator[](int i) const { return data_[i]; }
    const Move *begin() const { return data_; }
    const Move *end() const { return data_ + size_; }

private:
    // Out of line, so that push stays small enough to be inlined where moves are generated.
    void grow(const Move &m);

    // The moves are in `moves_` while there are at most `capacity` of them,
    // all of them in `heap_` after that; `data_` points at whichever holds them.
    Move moves_[capacity];
    int size_ = 0;
    const Move *data_ = moves_;
    std::unique_ptr<Move[]> heap_;
    int heap_room_ = 0;
};

} // namespace draughts
