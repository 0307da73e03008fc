// move_list.h - the legal moves of one position: a fixed array that never
// allocates in the common case, and grows onto the heap in the rare position
// that has more moves than the array holds, so that no move is ever lost.
#pragma once

#include <vector>

#include "draughts/position.h"

namespace draughts {

class MoveList {
public:
    // Quiet moves stay well under this: a quiet move ends on an empty square,
    // which at most one piece reaches from each of the four directions.  Kings
    // with many pieces to take can exceed it (288 captures are known in one
    // position), so past it the list moves to the heap.
    static constexpr int capacity = 256;

    void clear() {
        size_ = 0;
        overflow_.clear();
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
    const Move &operator[](int i) const { return data()[i]; }
    const Move *begin() const { return data(); }
    const Move *end() const { return data() + size_; }

private:
    // Every move lives in one place at a time: in `moves_` while there are at
    // most `capacity`, all of them in `overflow_` after that.
    const Move *data() const { return overflow_.empty() ? moves_ : overflow_.data(); }
    void grow(const Move &m) {
        if (overflow_.empty()) overflow_.assign(moves_, moves_ + size_);
        overflow_.push_back(m);
        ++size_;
    }

    Move moves_[capacity];
    int size_ = 0;
    std::vector<Move> overflow_;
};

} // namespace draughts
