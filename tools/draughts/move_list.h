// move_list.h - the legal moves of one position, in a fixed array so that generating them never allocates.
#pragma once

#include "draughts/position.h"

namespace draughts {

class MoveList {
public:
    // Above what a position offers: a quiet move ends on an empty square, which
    // at most one piece reaches from each of the four directions (under 200 in
    // all), and captures come nowhere near that.  A move past the end would be
    // dropped, never written out of bounds.
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
