// end_codes.h - kvnlink's opt-in convention (--end-codes) for what a game end's
// reason code means.  The library gives the code no meaning, and neither does
// kvnlink unless the user names one: by default every code means nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "draughts/game.h"

namespace kvnlink {

enum class EndMeaning : std::uint8_t {
    none,   // the game end decides nothing: the result stays as the board says, or *
    resign, // the sender's side loses
    draw,   // the game is drawn by agreement
};

// By reason code 0..3.
using EndCodes = std::array<EndMeaning, 4>;

// "0=resign,1=draw": each item REASON=MEANING, a reason 0-3 at most once,
// codes not named meaning none; nothing, with the reason in `why`, otherwise.
std::optional<EndCodes> parse_end_codes(std::string_view list, std::string &why);

const char *end_meaning_name(EndMeaning meaning); // "none", "resign", "draw"

// The result a game end of this meaning from `sender` gives: unfinished for none.
draughts::Result end_result(EndMeaning meaning, draughts::Side sender);

} // namespace kvnlink
