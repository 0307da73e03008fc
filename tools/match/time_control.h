// time_control.h - a time control as given on the command line: "5/40" or "5".
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace match {

// `time` for every `moves` moves of one side, the unused time carried over; with `moves`
// zero, `time` for the whole game.
struct TimeControl {
    std::chrono::milliseconds time{0};
    int moves = 0;

    bool operator==(const TimeControl &) const = default;
};

// "MINUTES/MOVES" or "MINUTES"; the minutes may have a fraction ("0.5/20").  Nothing,
// with the reason in `error`, when the text is not one of those.
std::optional<TimeControl> parse_time_control(std::string_view text, std::string &error);

} // namespace match
