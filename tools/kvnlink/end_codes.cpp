// end_codes.cpp - reading the --end-codes convention and what each meaning makes of a game.
#include "end_codes.h"

#include <iterator>

namespace kvnlink {

namespace {

constexpr EndMeaning meanings[] = {EndMeaning::none, EndMeaning::resign, EndMeaning::draw};

// One "REASON=MEANING" item into `codes`; "" when it fits, else why not.
std::string read_item(std::string_view item, EndCodes &codes, std::array<bool, 4> &named) {
    const std::string text(item);
    if (item.size() < 3 || item[1] != '=' || item[0] < '0' || item[0] > '3')
        return "'" + text + "' is not REASON=MEANING with a reason 0-3";
    const int reason = item[0] - '0';
    if (named[static_cast<size_t>(reason)]) return "reason " + std::to_string(reason) + " is named twice";
    named[static_cast<size_t>(reason)] = true;
    for (EndMeaning m : meanings)
        if (item.substr(2) == end_meaning_name(m)) {
            codes[static_cast<size_t>(reason)] = m;
            return {};
        }
    return "'" + text.substr(2) + "' is not one of resign, draw, none";
}

} // namespace

std::optional<EndCodes> parse_end_codes(std::string_view list, std::string &why) {
    EndCodes codes{};
    std::array<bool, 4> named{};
    for (;;) {
        const size_t comma = list.find(',');
        why = read_item(list.substr(0, comma), codes, named);
        if (!why.empty()) return std::nullopt;
        if (comma == std::string_view::npos) return codes;
        list.remove_prefix(comma + 1);
    }
}

const char *end_meaning_name(EndMeaning meaning) {
    // In the order of the enumeration: none, resign, draw.
    static constexpr const char *names[] = {"none", "resign", "draw"};
    const auto index = static_cast<size_t>(meaning);
    return index < std::size(names) ? names[index] : names[0];
}

draughts::Result end_result(EndMeaning meaning, draughts::Side sender) {
    switch (meaning) {
    case EndMeaning::resign:
        return sender == draughts::Side::white ? draughts::Result::black_wins : draughts::Result::white_wins;
    case EndMeaning::draw: return draughts::Result::draw;
    case EndMeaning::none: break;
    }
    return draughts::Result::unfinished;
}

} // namespace kvnlink
