// pdn_file.h - a PDN file split into its games, before any move is judged:
// tags, the moves and comments in order, the result token, and the line each
// came from, so that a later check can point at the line of a bad move.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace draughts {

struct PdnItem {
    enum class Kind : std::uint8_t { move, comment };
    Kind kind;
    std::string text; // "32-28", or a comment without its braces
    int line;         // 1 for the first line of the file
};

struct PdnRecord {
    std::vector<std::pair<std::string, std::string>> tags; // in the order written
    // Move numbers, NAGs ($12, !, ?!), comments after ';' and variations in
    // parentheses are left out: only the main line's moves and its brace comments.
    std::vector<PdnItem> movetext;
    std::string result; // the token that closed the game as written ("1-0" too), "" when none did
    int line = 0;       // where the game starts

    std::string tag(const std::string &name) const; // "" when absent
};

// Every game of the text; nothing with "line N: why" in `error` when a tag,
// a comment or a variation is not closed.
std::vector<PdnRecord> read_pdn_file(std::string_view text, std::string &error);

// "2-0", "0-2", "1-1" or "*" for the ways PDN and its chess ancestor write a
// result (also "1-0", "0-1", "1/2-1/2", "0-0"); "" for anything else.
std::string normal_result(std::string_view token);

} // namespace draughts
