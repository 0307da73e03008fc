// move_list.h - the legal moves of one position, in a fixed array so that generating them never allocates.
#pragma once

#include "draughts/position.h"

namespace draughts {

class MoveList {
public:
    // Far above what a position offers: each empty square can be reached along
    // its two diagonals from at most two directions each, a few hundred at most.
    static constexpr int capacity = 256;

    void clear() { size_ = 0; }
    void push(const Move &m) {
        if (size_ < capacity) moves_[size_++] = m;
    }
    bool contains(const Move &m) const {
        for (int i = 0; i < size_; ++i)
            if (moves_[i] == m) return true;
        return false;
    }
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Move &operator[](int i) const { return moves_[i]; }
    const Move *begin() const { return moves_; }
    const Move *end() const { return moves_ + size_; }

private:
    Move moves_[capacity];
    int size_ = 0;
};

} // namespace draughts
