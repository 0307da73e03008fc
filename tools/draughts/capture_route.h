// capture_route.h - the squares a capture lands on, for the rare notation that needs the whole path.
#pragma once

#include <vector>

#include "draughts/position.h"

namespace draughts {

// The landing squares of the capture `move` in `position`, first to last (the
// last is move.to), over exactly its taken pieces, passing the squares of
// `through` in that order; empty when there is no such route.  The first route
// found is given: where a king may land on several squares, the nearest.
std::vector<int> capture_route(const Position &position, const Move &move, const std::vector<int> &through = {});

} // namespace draughts
